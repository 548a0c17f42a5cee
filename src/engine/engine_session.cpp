#include "engine/engine_session.h"

#include <utility>

namespace zorvik {

TEngineSession::TEngineSession(std::unique_ptr<TClock> clock, std::unique_ptr<TFileSystem> files,
                               std::string running_folder)
    : owned_clock_(std::move(clock)),
      clock_(owned_clock_.get()),
      files_(std::move(files)),
      log_(*clock_),
      context_{state_, log_, pattern_, *files_, *clock_, std::move(running_folder)} {}

TEngineSession::TEngineSession(const TRunSettings& settings, std::unique_ptr<TFileSystem> files)
    : clock_(settings.clock),
      files_(std::move(files)),
      log_(*clock_),
      context_{state_, log_, pattern_, *files_, *clock_, settings.running_folder} {
  context_.forced_encoding = settings.forced_encoding;
}

std::unique_ptr<TEngineSession> MakeDiskSession(std::string running_folder,
                                                std::optional<std::time_t> fixed_instant) {
  return std::make_unique<TEngineSession>(std::make_unique<TSystemClock>(fixed_instant),
                                          std::make_unique<TDiskFileSystem>(),
                                          std::move(running_folder));
}

}  // namespace zorvik
