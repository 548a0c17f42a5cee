#include "workbench/ui/publish_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "batch/group_file.h"
#include "batch/group_generation.h"
#include "engine/engine_session.h"
#include "publish/connection.h"
#include "publish/manifest_store.h"
#include "publish/netrc.h"
#include "publish/publish_run.h"
#include "publish/publish_settings.h"
#include "publish/secrets.h"
#include "publish/site_to_publish.h"
#include "workbench/ui/qt_paths.h"

namespace zorvik {

// What the worker needs, taken from the window before it starts.
struct TPublishJob {
  std::string group;
  std::vector<std::string> entries;
  TRunSettings settings;  // the session's, for the generation before the upload
  std::string home;
  TDestination destination;
  TFtpLogin login;
  TPublishOptions options;
};

namespace {

class TWindowListener : public TPublishListener {
 public:
  TWindowListener(std::function<void(const QString&)> say, std::function<void(int, int)> progress,
                  const std::vector<TSiteFile>& files, bool dry_run,
                  const std::atomic<bool>& cancel)
      : say_(std::move(say)),
        progress_(std::move(progress)),
        files_(files),
        dry_run_(dry_run),
        cancel_(cancel) {}
  void Planned(const TPublishPlan& plan) override {
    total_ = static_cast<int>(plan.send.size() + plan.remove.size());
    progress_(0, total_);
    if (!dry_run_) return;
    for (const std::size_t i : plan.send)
      say_(QStringLiteral("送信予定 ") + PathText(files_[i].relative));
    for (const std::string& path : plan.remove) say_(QStringLiteral("削除予定 ") + PathText(path));
  }
  void Sent(const std::string& relative) override {
    say_(QStringLiteral("送信 ") + PathText(relative));
    progress_(++done_, total_);
  }
  void Removed(const std::string& relative) override {
    say_(QStringLiteral("削除 ") + PathText(relative));
    progress_(++done_, total_);
  }
  bool Cancelled() override { return cancel_; }

 private:
  std::function<void(const QString&)> say_;
  std::function<void(int, int)> progress_;
  const std::vector<TSiteFile>& files_;
  bool dry_run_;
  const std::atomic<bool>& cancel_;
  int done_ = 0;
  int total_ = 0;
};

}  // namespace

TPublishWindow::TPublishWindow(QWidget* owner, TEngineSession& session, TDialogs& dialogs)
    : QDialog(owner), session_(session), dialogs_(dialogs) {
  setObjectName("PublishWindow");
  setWindowTitle(QStringLiteral("公開"));
  resize(560, 420);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto* group_row = new QHBoxLayout;
  edGroupFile = new QLineEdit(this);
  edGroupFile->setObjectName("edGroupFile");
  btGroupFile = new QPushButton(QStringLiteral("参照..."), this);
  btGroupFile->setObjectName("btGroupFile");
  group_row->addWidget(edGroupFile);
  group_row->addWidget(btGroupFile);
  form->addRow(QStringLiteral("グループファイル"), group_row);
  edDestination = new QLineEdit(this);
  edDestination->setObjectName("edDestination");
  edDestination->setPlaceholderText(
      QStringLiteral("sftp://ユーザー@ホスト/フォルダ または ftps://…"));
  edDestination->setToolTip(QStringLiteral(
      "sftp://ユーザー@ホスト[:ポート]/フォルダ（SSH の鍵とエージェントを使います）\n"
      "ftps://ユーザー@ホスト[:ポート]/フォルダ（パスワードは ~/.netrc から、なければ尋ねます）\n"
      "/~/フォルダ はログインしたフォルダの下です。パスワードはどこにも保存しません。"));
  form->addRow(QStringLiteral("送り先"), edDestination);
  layout->addLayout(form);
  cbDelete = new QCheckBox(
      QStringLiteral("サイトから消えたファイルをサーバーからも削除する（Zorvik が送ったものだけ）"),
      this);
  cbDelete->setObjectName("cbDelete");
  cbDryRun = new QCheckBox(QStringLiteral("送らずに、送るものと削除するものの一覧だけ出す"), this);
  cbDryRun->setObjectName("cbDryRun");
  layout->addWidget(cbDelete);
  layout->addWidget(cbDryRun);
  progressBar = new QProgressBar(this);
  progressBar->setObjectName("progressBar");
  progressBar->setValue(0);
  layout->addWidget(progressBar);
  memoLog = new QPlainTextEdit(this);
  memoLog->setObjectName("memoLog");
  memoLog->setReadOnly(true);
  layout->addWidget(memoLog, 1);
  auto* buttons = new QHBoxLayout;
  btPublish = new QPushButton(QStringLiteral("公開"), this);
  btPublish->setObjectName("btPublish");
  btPublish->setDefault(true);
  btCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  btCancel->setObjectName("btCancel");
  btCancel->setEnabled(false);
  buttons->addStretch();
  buttons->addWidget(btPublish);
  buttons->addWidget(btCancel);
  layout->addLayout(buttons);
  connect(btGroupFile, &QPushButton::clicked, this, &TPublishWindow::btGroupFileClick);
  // A path typed in or pasted is taken as 参照… takes one, once the box is left.
  connect(edGroupFile, &QLineEdit::editingFinished, this, [this] {
    if (edGroupFile->isModified() && QFileInfo(edGroupFile->text()).isFile()) {
      SetGroupFile(edGroupFile->text());
    }
    edGroupFile->setModified(false);
  });
  connect(btPublish, &QPushButton::clicked, this, &TPublishWindow::btPublishClick);
  connect(btCancel, &QPushButton::clicked, this, &TPublishWindow::btCancelClick);
}

TPublishWindow::~TPublishWindow() {
  // The box loses the focus while the window goes: its handler must not find a half-gone window.
  disconnect(edGroupFile, nullptr, this, nullptr);
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
  for (auto& [where, password] : passwords_) ForgetSecret(password);
}

void TPublishWindow::closeEvent(QCloseEvent* event) {
  // The run stops after the file under way; the window closes when it has.
  if (Running()) {
    btCancelClick();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TPublishWindow::SetGroupFile(const QString& path) {
  edGroupFile->setText(path);
  const std::optional<TPublishSettings> settings =
      ReadPublishSettings(PublishSettingsPath(PathBytes(path)));
  edDestination->setText(settings ? QString::fromStdString(settings->to) : QString());
}

void TPublishWindow::ShowFor(const QString& group_file, const QString& fallback) {
  if (!group_file.isEmpty()) {
    SetGroupFile(group_file);
  } else if (edGroupFile->text().isEmpty() && !fallback.isEmpty()) {
    SetGroupFile(fallback);
  }
  show();
  raise();
  activateWindow();
}

void TPublishWindow::btGroupFileClick() {
  const auto path = dialogs_.OpenFileName(this, QStringLiteral("グループファイルを開きます"),
                                          QStringLiteral("グループファイル(*.gro)"),
                                          QStringLiteral("gro"), edGroupFile->text());
  if (path) SetGroupFile(*path);
}

void TPublishWindow::btPublishClick() {
  if (Running()) return;
  if (worker_.joinable()) worker_.join();
  TPublishJob job;
  job.group = PathBytes(edGroupFile->text());
  if (!ErrorUnless(dialogs_, this, QStringLiteral("グループファイルを選んでください"),
                   !job.group.empty() && QFileInfo(edGroupFile->text()).isFile())) {
    return;
  }
  const std::string to = edDestination->text().trimmed().toStdString();
  std::string why;
  const std::optional<TDestination> destination = ParseDestination(to, &why);
  if (!ErrorUnless(
          dialogs_, this,
          QStringLiteral("送り先のアドレスが正しくありません：") + QString::fromStdString(why),
          destination.has_value())) {
    return;
  }
  if (!ErrorUnless(
          dialogs_, this,
          QStringLiteral("暗号化しない ftp:// では送りません。ftps:// か sftp:// を使ってください"),
          destination->protocol != TProtocol::kFtp) ||
      !ErrorUnless(
          dialogs_, this,
          QStringLiteral("FTPS の送り先にはユーザー名が要ります：ftps://ユーザー@ホスト/フォルダ"),
          destination->protocol == TProtocol::kSftp || !destination->user.empty())) {
    return;
  }
  // The destination is kept beside the group; never a password.
  const std::string settings_path = PublishSettingsPath(job.group);
  TPublishSettings settings = ReadPublishSettings(settings_path).value_or(TPublishSettings{});
  if (settings.to != to) {
    settings.to = to;
    if (!ErrorUnless(dialogs_, this,
                     QStringLiteral("送り先を保存できませんでした：") + PathText(settings_path),
                     WritePublishSettings(settings_path, settings))) {
      return;
    }
  }
  job.home = UserHome();
  job.destination = *destination;
  job.login = {destination->user, "", settings.ca_file};
  if (destination->protocol != TProtocol::kSftp) {
    KeepSecretsOutOfDumps();
    const std::string where = destination->user + "@" + destination->host;
    std::optional<std::string> password =
        NetrcPassword(job.home + "/.netrc", destination->host, destination->user);
    if (!password && passwords_.contains(where)) password = passwords_[where];
    if (!password) {
      std::optional<QString> asked = dialogs_.AskPassword(
          this, QString::fromStdString(where) + QStringLiteral(" のパスワード"));
      if (!asked) return;
      password = passwords_[where] = asked->toStdString();
      asked->fill(QChar(0));
    }
    job.login.password = *password;
    ForgetSecret(*password);
  }
  job.entries = ReadGroupFile(job.group, session_.Context().running_folder);
  if (!ErrorUnless(dialogs_, this, QStringLiteral("ファイルが存在しません"), !job.entries.empty()))
    return;
  job.settings = session_.RunSettings();
  job.options = {.dry_run = cbDryRun->isChecked(),
                 .remove_gone = cbDelete->isChecked(),
                 .manifest_cache = ManifestCacheFolder(*destination)};

  memoLog->clear();
  progressBar->setRange(0, 1);
  progressBar->setValue(0);
  btPublish->setEnabled(false);
  btCancel->setEnabled(true);
  cancel_ = false;
  worker_ = std::thread([this, job = std::move(job)]() mutable { Work(job); });
}

void TPublishWindow::btCancelClick() {
  cancel_ = true;
  btCancel->setEnabled(false);
  Say(QStringLiteral("いま送っているファイルで止めます..."));
}

void TPublishWindow::Post(std::function<void()> work) {
  QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void TPublishWindow::Ask(const std::function<void()>& question) {
  QMetaObject::invokeMethod(this, question, Qt::BlockingQueuedConnection);
}

void TPublishWindow::Say(const QString& line) { memoLog->appendPlainText(line); }

void TPublishWindow::Work(TPublishJob& job) {
  const auto say = [this](const QString& line) { Post([this, line] { Say(line); }); };
  const auto finish = [this](const QString& summary, bool failed) {
    Post([this, summary, failed] { Finished(summary, failed); });
  };
  say(QStringLiteral("ページを書き出しています..."));
  const TGroupGeneration build = GenerateGroupOnDisk(job.entries, job.settings);
  if (build.errors > 0) {
    return finish(QStringLiteral("ページにエラーが %1 件あります。何も送りませんでした。"
                                 "連続書換フォームで書き出して、ログを確かめてください。")
                      .arg(build.errors),
                  true);
  }
  std::vector<std::string> outputs;
  for (const auto& page : build.pages) outputs.push_back(page.first);
  std::string unlisted;
  const std::optional<TSiteToPublish> listed =
      SiteToPublish(outputs, build.inputs, job.group, job.home, &unlisted);
  if (!listed) {
    return finish(QStringLiteral("サイトのファイルを一覧にできませんでした：") +
                      QString::fromStdString(unlisted) + QStringLiteral("。何も送りませんでした。"),
                  true);
  }
  const TSiteToPublish& site = *listed;
  if (site.root.empty()) {
    return finish(QStringLiteral("ページがサイトより広いフォルダ（ホームフォルダ、/、"
                                 "だれでも書けるフォルダ）にあります。何も送りませんでした。"),
                  true);
  }
  for (const std::string& skipped : site.files.skipped)
    say(QStringLiteral("送りません（リンクか、普通のファイルではありません）：") +
        PathText(skipped));

  const QString cancelled =
      QStringLiteral("キャンセルしました：接続する前に止めました。何も送っていません。");
  if (cancel_) return finish(cancelled, false);
  say(QStringLiteral("%1 に接続しています...")
          .arg(QString::fromStdString(DestinationUrl(job.destination))));
  const auto ask = [this, &job](const std::string& fingerprint) {
    bool yes = false;
    Ask([&] {
      yes = dialogs_.AskYes(
          this,
          QStringLiteral(
              "サーバー %1 の鍵はまだ知られていません。\r\n\r\n%2\r\n\r\n"
              "この指紋がサーバーのものだと確かめられたときだけ「はい」を押してください。"
              "鍵は ~/.ssh/known_hosts に加えられます。")
              .arg(QString::fromStdString(ServerAddress(job.destination)),
                   QString::fromStdString(fingerprint)),
          true);
    });
    return yes;
  };
  std::string error;
  const TConnection connection = ConnectRemote(
      job.destination, job.home, {.accepted = "", .ask = ask}, job.login, &cancel_, &error);
  ForgetSecret(job.login.password);  // libcurl holds its own copy
  if (!connection.remote && cancel_) return finish(cancelled, false);
  if (!connection.remote) {
    return finish(QStringLiteral("接続できませんでした：") + QString::fromStdString(error), true);
  }
  TWindowListener listener(
      say,
      [this](int done, int total) {
        Post([this, done, total] {
          progressBar->setRange(0, std::max(total, 1));
          progressBar->setValue(total == 0 ? 1 : done);
        });
      },
      site.files.files, job.options.dry_run, cancel_);
  const TPublishOutcome outcome =
      Publish(*connection.remote, site.files.files, job.options, listener, &error);
  switch (outcome.end) {
    case TPublishEnd::kFailed:
      if (job.destination.protocol != TProtocol::kSftp &&
          error.find("Login denied") != std::string::npos) {
        const std::string where = job.destination.user + "@" + job.destination.host;
        Post([this, where] {
          if (const auto it = passwords_.find(where); it != passwords_.end()) {
            ForgetSecret(it->second);
            passwords_.erase(it);
          }
        });
      }
      return finish(
          QStringLiteral("公開できませんでした：%1").arg(QString::fromStdString(error)) +
              (outcome.rerun_finishes
                   ? QStringLiteral("\r\nサーバーのファイルは、どれも古いか新しいかのどちらかで、"
                                    "欠けてはいません。もう一度公開すると続きを送ります。")
                   : QString()),
          true);
    case TPublishEnd::kCancelled:
      return finish(
          QStringLiteral("キャンセルしました：送信 %1、削除 %2。次の公開で続きを送ります。")
              .arg(outcome.sent)
              .arg(outcome.removed),
          false);
    case TPublishEnd::kDone:
      break;
  }
  finish(
      job.options.dry_run
          ? QStringLiteral(
                "一覧だけ出しました（何も送っていません）：送信予定 %1、削除予定 %2、変更なし %3")
                .arg(outcome.plan.send.size())
                .arg(outcome.plan.remove.size())
                .arg(outcome.plan.same)
          : QStringLiteral("公開しました：送信 %1、削除 %2、変更なし %3")
                .arg(outcome.sent)
                .arg(outcome.removed)
                .arg(outcome.plan.same),
      false);
}

void TPublishWindow::Finished(const QString& summary, bool failed) {
  if (worker_.joinable()) worker_.join();
  Say(summary);
  btPublish->setEnabled(true);
  btCancel->setEnabled(false);
  if (failed) dialogs_.ShowError(this, summary);
}

}  // namespace zorvik
