// zorvik publish GROUP [--to URL] [--dry-run] [--delete] [--accept-host-key FINGERPRINT]
// [--insecure-ftp] [--ca-file FILE]: generates the group as `batch --changed` does, then sends
// the site's changed files to the server over SFTP or FTPS, each renamed into place whole, with
// the manifest on the server written last.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "cli/cli_engine.h"
#include "cli/site_watcher.h"
#include "cli/verbs.h"
#include "publish/connection.h"
#include "publish/manifest_store.h"
#include "publish/netrc.h"
#include "publish/publish_run.h"
#include "publish/publish_settings.h"
#include "publish/secrets.h"
#include "publish/site_to_publish.h"
#include "text/file_names.h"

namespace zorvik::cli {
namespace {

// Prints each file as it goes, on stdout, so that scripts can read what was done.
class TPrintingListener : public TPublishListener {
 public:
  TPrintingListener(const std::vector<TSiteFile>& files, bool dry_run)
      : files_(files), dry_run_(dry_run) {}
  void Planned(const TPublishPlan& plan) override {
    if (!dry_run_) return;
    for (const std::size_t i : plan.send)
      std::cout << "would send " << QuotedPath(files_[i].relative) << '\n';
    for (const std::string& path : plan.remove)
      std::cout << "would remove " << QuotedPath(path) << '\n';
  }
  void Sent(const std::string& relative) override {
    std::cout << "sent " << QuotedPath(relative) << std::endl;
  }
  void Removed(const std::string& relative) override {
    std::cout << "removed " << QuotedPath(relative) << std::endl;
  }

 private:
  const std::vector<TSiteFile>& files_;
  bool dry_run_;
};

// Asks for the password on the terminal, not echoed; nothing without a terminal.
std::optional<std::string> AskPassword(const std::string& prompt) {
  const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return std::nullopt;
  termios saved{};
  const bool is_terminal = ::tcgetattr(tty, &saved) == 0;
  std::optional<std::string> password;
  if (is_terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(tty, TCSAFLUSH, &quiet);
    (void)::write(tty, prompt.data(), prompt.size());
    password.emplace();
    char c = 0;
    while (::read(tty, &c, 1) == 1 && c != '\n') *password += c;
    ::tcsetattr(tty, TCSAFLUSH, &saved);
    (void)::write(tty, "\n", 1);
  }
  ::close(tty);
  return password;
}

std::string Count(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

int RunPublish(const TArgs& arguments) {
  const auto args =
      ParseVerbArgs("publish", arguments,
                    {"--to=", "--dry-run", "--delete", "--accept-host-key=", "--insecure-ftp",
                     "--ca-file=", "--encoding="});
  std::optional<TEncoding> encoding;
  if (!args || !TakeEncoding(*args, "publish", encoding)) return kUsageError;
  const std::optional<std::string> group = OnlyOperand(*args, "publish", "GROUP");
  if (!group) return kUsageError;
  if (std::error_code error; std::filesystem::is_directory(*group, error)) {
    PrintCannotRead(*group, QuotedPath(args->operands[0]));
    return kUsageError;
  }
  if (!IsGroupFile(*group)) return UsageError("publish: GROUP must be a group file (.gro)");
  const std::string settings_path = PublishSettingsPath(*group);
  std::optional<TPublishSettings> settings = ReadPublishSettings(settings_path);
  if (!settings) {
    std::cerr << "zorvik: publish: cannot read " << QuotedPath(settings_path) << '\n';
    return kUsageError;
  }
  if (const std::string* to = args->Value("--to")) settings->to = *to;
  if (const std::string* ca_file = args->Value("--ca-file")) settings->ca_file = *ca_file;
  if (settings->to.empty()) {
    return UsageError("publish: no destination: give --to URL, or keep one as \"to = URL\" in " +
                      settings_path);
  }
  std::string why;
  const std::optional<TDestination> destination = ParseDestination(settings->to, &why);
  if (!destination) {
    return UsageError("publish: " + AddressWithoutPassword(settings->to) + ": " + why);
  }
  if (destination->protocol == TProtocol::kFtp) {
    if (!args->Has("--insecure-ftp")) {
      return UsageError(
          "publish: ftp:// sends your password and pages unencrypted; use ftps:// or sftp://, "
          "or add --insecure-ftp");
    }
    std::cerr << "zorvik: publish: warning: plain FTP: your password and pages cross the "
                 "network unencrypted\n";
  }
  if (destination->protocol != TProtocol::kSftp && destination->user.empty()) {
    return UsageError("publish: an FTP address needs a user: ftps://USER@HOST/FOLDER");
  }
  const bool dry_run = args->Has("--dry-run");
  const char* home_folder = HomeFolder();
  const std::string home = home_folder != nullptr ? home_folder : "/";

  // The pages first, written where they changed, as batch --changed writes them.
  std::vector<std::string> outputs;
  TCommandLineEngine engine({.save_mode = TSaveMode::kChanged, .encoding = encoding});
  engine.Files().RecordPaths();
  engine.Files().on_save = [&outputs](const std::string& output, std::string_view) {
    outputs.push_back(output);
  };
  const auto entries = ReadGroupEntries(engine, *group, *group);
  if (!entries) return kUsageError;
  TFileBatchHost host(engine);
  RunBatch(engine.Context(), *entries, host);
  if (engine.State().ErrorCount > 0) {
    std::cerr << "zorvik: publish: the pages have errors (see the log above); nothing was sent\n";
    return 1;
  }
  if (outputs.empty()) {
    std::cerr << "zorvik: publish: no page is written (the group names none, or no page has "
                 "@WriteFile); nothing was sent\n";
    return kUsageError;
  }
  std::string unlisted;
  const std::optional<TSiteToPublish> listed =
      SiteToPublish(outputs, engine.Files().TakeLookedAt(), *group, home, &unlisted);
  if (!listed) {
    std::cerr << "zorvik: publish: " << unlisted << "; nothing was sent\n";
    return 1;
  }
  const TSiteToPublish& site = *listed;
  if (site.root.empty()) {
    std::cerr << "zorvik: publish: the pages lie in a folder that holds more than a site (the "
                 "home folder, / or a folder others may write to); nothing was sent\n";
    return kUsageError;
  }
  for (const std::string& skipped : site.files.skipped) {
    std::cerr << "zorvik: publish: not sent (a link or not a regular file): " << QuotedPath(skipped)
              << '\n';
  }

  TFtpLogin login{destination->user, "", settings->ca_file};
  if (destination->protocol != TProtocol::kSftp) {
    KeepSecretsOutOfDumps();
    const std::string where = destination->user + "@" + destination->host;
    std::optional<std::string> password =
        NetrcPassword(home + "/.netrc", destination->host, destination->user);
    if (!password) password = AskPassword("Password for " + where + ": ");
    if (!password) {
      std::cerr << "zorvik: publish: no password for " << where
                << ": put it in ~/.netrc, or run zorvik in a terminal to be asked\n";
      return 1;
    }
    login.password = *password;
    ForgetSecret(*password);
  }
  const std::string* accepted = args->Value("--accept-host-key");
  std::string error;
  const TConnection connection =
      ConnectRemote(*destination, home, {.accepted = accepted ? *accepted : ""}, login,
                    /*cancel=*/nullptr, &error);
  ForgetSecret(login.password);  // libcurl holds its own copy
  if (!connection.remote) {
    std::cerr << "zorvik: publish: " << error << '\n';
    if (!connection.unknown_key.empty()) {
      std::cerr << "zorvik: publish: if that is your server's key (ask your host, or compare it "
                   "with ssh-keygen -lf on the server), run again with\n"
                   "  --accept-host-key "
                << connection.unknown_key << '\n';
    }
    return 1;
  }
  TPrintingListener listener(site.files.files, dry_run);
  const TPublishOutcome outcome = Publish(*connection.remote, site.files.files,
                                          {.dry_run = dry_run,
                                           .remove_gone = args->Has("--delete"),
                                           .manifest_cache = ManifestCacheFolder(*destination)},
                                          listener, &error);
  std::cout.flush();
  if (outcome.end == TPublishEnd::kFailed) {
    std::cerr << "zorvik: publish: " << error << '\n';
    if (outcome.rerun_finishes) {
      std::cerr << "zorvik: publish: every file on the server is whole, old or new; run again "
                   "to finish\n";
    }
    return 1;
  }
  std::cerr << "zorvik: publish: "
            << (dry_run ? "would send " + Count(outcome.plan.send.size(), "file", "files") +
                              ", remove " + std::to_string(outcome.plan.remove.size())
                        : Count(outcome.sent, "file", "files") + " sent, " +
                              std::to_string(outcome.removed) + " removed")
            << ", " << outcome.plan.same << " the same on the server"
            << (dry_run ? "; nothing was sent" : "") << '\n';
  return FinishStandardOutput(0);
}

}  // namespace zorvik::cli
