// Everything a generation needs, owned together and made once: the clock, the log, the pattern
// component, the file system and the state, with the context that hands them to each step. The
// command line and the workbench each hold one for the life of the program (the workbench's
// windows share it); the live preview makes one per run on its own thread; tests make their own.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/clock.h"
#include "engine/engine_context.h"
#include "engine/file_system.h"
#include "engine/generation_log.h"
#include "engine/generation_state.h"
#include "pattern/pattern_component.h"

namespace zorvik {

// What a session hands on to every run it starts (the live preview, a page or group check,
// a publish, a conversion's proof): a new setting added here reaches all of them at once.
struct TRunSettings {
  const TClock* clock = nullptr;  // shared: nothing changes it, so threads may read it
  std::string running_folder;     // the program's folder, with its trailing "/"
  std::optional<TEncoding> forced_encoding{};
};

class TEngineSession {
 public:
  // running_folder: the program's folder (the user's Zorvik folder for an installed program),
  // with its trailing "/".
  TEngineSession(std::unique_ptr<TClock> clock, std::unique_ptr<TFileSystem> files,
                 std::string running_folder);
  // A run of another session, with its settings.
  TEngineSession(const TRunSettings& settings, std::unique_ptr<TFileSystem> files);
  TEngineSession(const TEngineSession&) = delete;
  TEngineSession& operator=(const TEngineSession&) = delete;

  TEngineContext& Context() { return context_; }
  const TEngineContext& Context() const { return context_; }
  GenerationState& State() { return state_; }
  TGenerationLog& Log() { return log_; }
  TSecondAWKStr& Pattern() { return pattern_; }
  TFileSystem& Files() { return *files_; }
  const TClock& Clock() const { return *clock_; }
  // The settings a run started from this session takes.
  TRunSettings RunSettings() const {
    return {clock_, context_.running_folder, context_.forced_encoding};
  }

 private:
  std::unique_ptr<TClock> owned_clock_;
  const TClock* clock_;
  std::unique_ptr<TFileSystem> files_;
  GenerationState state_;
  TGenerationLog log_;
  TSecondAWKStr pattern_;
  TEngineContext context_;
};

// A session over the disk whose clock stands at fixed_instant when one is given (as
// SOURCE_DATE_EPOCH fixes it on the command line), else at the system's time.
std::unique_ptr<TEngineSession> MakeDiskSession(
    std::string running_folder, std::optional<std::time_t> fixed_instant = std::nullopt);

}  // namespace zorvik
