#include "app/gateway_menu.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "gateway/gateway_state.h"
#include "app/message_boxes.h"
#include "app/status_line.h"
#include "app/window_texts.h"
#include "backup/backup_dialogs.h"
#include "backup/backup_file.h"
#include "backup/backup_texts.h"
#include "common/text_conversion.h"
#include "link/console_texts.h"
#include "link/link_guards.h"
#include "report/report_from_backup.h"

namespace {

// Paths cross between Qt and the core in the system's own 8-bit form, so a
// name that is no UTF-8 still names the same file.
QString pathText(const std::string& path) { return QFile::decodeName(path.c_str()); }
std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

GatewayMenu::GatewayMenu(GatewayState& state, QWidget& window, StatusLine& status, MessageBoxes& boxes,
                         BackupDialogs& dialogs, norvik::GatewayJobs& jobs)
    : QObject(&window),
      state_(state),
      window_(window),
      status_(status),
      boxes_(boxes),
      dialogs_(dialogs),
      commands_(jobs, *this) {
    connect(&state_, &GatewayState::backupChanged, this, &GatewayMenu::updateActions);
}

GatewayMenu::~GatewayMenu() = default;

void GatewayMenu::addTo(QMenuBar* bar, QAction* after) {
    auto* menu = new QMenu(BackupTexts::menuGateway(), bar);
    const QList<QAction*> menus = bar->actions();
    const qsizetype at = menus.indexOf(after);
    QAction* before = (at >= 0 && at + 1 < menus.size()) ? menus[at + 1] : nullptr;
    bar->insertMenu(before, menu);

    const auto item = [&](const QString& text, void (GatewayMenu::*command)()) {
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, this, command);
        return action;
    };
    actions_.backUp = item(BackupTexts::itemBackUp(), &GatewayMenu::onBackUp);
    actions_.restore = item(BackupTexts::itemRestore(), &GatewayMenu::onRestore);
    actions_.compare = item(BackupTexts::itemCompare(), &GatewayMenu::onCompare);
    actions_.cancel = item(tr("Ca&ncel"), &GatewayMenu::onCancel);
    menu->addSeparator();
    actions_.exportReport = item(BackupTexts::itemExportReport(), &GatewayMenu::onExportReport);
    menu->addSeparator();
    actions_.openBackup = item(BackupTexts::itemOpenBackup(), &GatewayMenu::onOpenBackup);
    actions_.closeBackup = item(BackupTexts::itemCloseBackup(), &GatewayMenu::onCloseBackup);
    updateActions();
}

void GatewayMenu::updateActions() {
    if (!actions_.cancel) return;
    const bool running = commands_.running();
    actions_.backUp->setEnabled(!running);
    actions_.restore->setEnabled(!running);
    actions_.compare->setEnabled(!running);
    actions_.exportReport->setEnabled(!running);
    actions_.cancel->setEnabled(running);
    actions_.openBackup->setEnabled(!running);
    actions_.closeBackup->setEnabled(state_.offline());
}

void GatewayMenu::message(const QString& title, const QString& text) { boxes_.showMessage(&window_, title, text); }

bool GatewayMenu::gatewayReady(norvik::BackupCommand command) {
    if (state_.offline()) {
        message(BackupTexts::commandName(command), BackupTexts::notWhileOffline());
        return false;
    }
    if (const std::optional<norvik::LinkRefusal> refused = state_.refusal()) {
        message(QLatin1String(norvik::console::kTitleMessage), QLatin1String(norvik::refusalText(*refused)));
        return false;
    }
    return true;
}

// What the link has already read whole, so that a backup asks only for the rest.
norvik::KnownBlocks GatewayMenu::knownBlocks() const {
    const norvik::LinkSession& session = state_.session();
    norvik::KnownBlocks known;
    if (session.parameterLoaded && !session.parameterBlockRaw.empty()) known.parameters = session.parameterBlockRaw;
    if (session.fileNamesReceived && !session.fileNameReplyRaw.empty()) {
        known.fileNames = session.fileNameReplyRaw;
    }
    return known;
}

void GatewayMenu::onBackUp() {
    if (!gatewayReady(norvik::BackupCommand::BackUp)) return;
    commands_.backUp(knownBlocks(), state_.connectedDevice(), state_.session().baud);
    updateActions();
}

void GatewayMenu::onRestore() {
    if (!gatewayReady(norvik::BackupCommand::Restore)) return;
    commands_.restore(knownBlocks());
    updateActions();
}

void GatewayMenu::onCompare() {
    if (!gatewayReady(norvik::BackupCommand::Compare)) return;
    commands_.compare(knownBlocks());
    updateActions();
}

// From an open backup the report needs no gateway; from a live one it is read
// first, as a backup would read it, so that the report holds every block.
void GatewayMenu::onExportReport() {
    if (const std::optional<norvik::GatewayBackup>& backup = state_.backup()) {
        dialogs_.exportReport(&window_,
                              norvik::reportSourceFromSnapshot(backup->gateway, norvik::ReportOrigin::BackupFile,
                                                               state_.backupFileName().toStdString()));
        return;
    }
    if (!gatewayReady(norvik::BackupCommand::Report)) return;
    commands_.report(knownBlocks());
    updateActions();
}

void GatewayMenu::exportReport(const norvik::GatewaySnapshot& gateway) {
    dialogs_.exportReport(
        &window_, norvik::reportSourceFromSnapshot(gateway, norvik::ReportOrigin::Port, state_.connectedDevice()));
}

void GatewayMenu::onCancel() {
    commands_.cancel();
    updateActions();
}

// --- the commands' steps and questions -----------------------------------------

void GatewayMenu::showRunStep(norvik::BackupCommand, norvik::JobKind step, int index, int count) {
    stepIndex_ = index;
    stepCount_ = std::max(count, 1);
    status_.setRunStep(BackupTexts::stepText(step));
    status_.setProgress(9 * index / stepCount_);
}

void GatewayMenu::showRunProgress(const norvik::JobProgress& progress) {
    if (progress.total == 0) return;
    const double done = stepIndex_ + static_cast<double>(progress.bytes) / progress.total;
    status_.setProgress(static_cast<int>(9 * done / stepCount_));
}

void GatewayMenu::endRun(norvik::BackupCommand) {
    status_.setOperationText(QString());
    status_.setRunStep(QString());
    status_.setProgress(0);
    updateActions();
}

std::optional<std::string> GatewayMenu::askSaveBackupPath(const std::string& proposedName) {
    const auto path = dialogs_.saveBackupPath(&window_, QString::fromStdString(proposedName));
    if (!path) return std::nullopt;
    return localPath(*path);
}

std::optional<std::string> GatewayMenu::askOpenBackupPath(norvik::BackupCommand command) {
    const auto path = dialogs_.openBackupPath(&window_, BackupTexts::commandName(command));
    if (!path) return std::nullopt;
    return localPath(*path);
}

bool GatewayMenu::confirmRestore(const norvik::GatewayBackup& backup, const norvik::BackupDifferences& differences) {
    return dialogs_.confirmRestore(&window_, backup, differences);
}

void GatewayMenu::showComparison(const norvik::GatewayBackup& backup, const norvik::BackupDifferences& differences) {
    dialogs_.showComparison(&window_, backup, differences);
}

void GatewayMenu::reportFileProblem(norvik::BackupCommand command, const std::string& path,
                                    const norvik::BackupProblem& problem) {
    message(BackupTexts::commandName(command),
            QStringLiteral("%1\n%2").arg(pathText(path), BackupTexts::problemText(problem)));
}

void GatewayMenu::reportRunFailed(norvik::BackupCommand command, const norvik::RunFailure& failure) {
    // Cancel was the user's own doing; the status line says so and no box asks
    // for an OK.
    if (failure.outcome == norvik::JobOutcome::Cancelled && failure.problem.ok()) {
        QString text = BackupTexts::failureText(command, failure);
        status_.setOperationText(text.replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return;
    }
    message(BackupTexts::commandName(command), BackupTexts::failureText(command, failure));
}

void GatewayMenu::reportRestoreRefused(const norvik::RestoreCheck& check) {
    message(BackupTexts::commandName(norvik::BackupCommand::Restore), BackupTexts::refusalText(check));
}

void GatewayMenu::reportBackupSaved(const std::string& path, const norvik::GatewayBackup& backup) {
    status_.setOperationText(BackupTexts::savedText(pathText(path), backup));
}

void GatewayMenu::reportRestored(const norvik::RestoreReport& report) {
    const QString text = BackupTexts::restoreReportText(report);
    status_.setOperationText(text.section(QLatin1Char('\n'), 0, 0));
    message(BackupTexts::commandName(norvik::BackupCommand::Restore), text);
}

// --- a backup without a gateway ---------------------------------------------------

void GatewayMenu::onOpenBackup() {
    if (state_.session().portOpen) {
        message(BackupTexts::itemOpenBackup().remove(QLatin1Char('&')), BackupTexts::openWhileConnected());
        return;
    }
    const auto path = dialogs_.openBackupPath(&window_, BackupTexts::itemOpenBackup().remove(QLatin1Char('&')));
    if (path) openBackupFile(*path);
}

bool GatewayMenu::openBackupFile(const QString& path) { return openBackupFile(localPath(path)); }

bool GatewayMenu::openBackupFile(const std::string& path) {
    norvik::BackupReadResult read = norvik::readBackupFile(path);
    if (!read.backup) {
        message(BackupTexts::itemOpenBackup().remove(QLatin1Char('&')),
                QStringLiteral("%1\n%2").arg(pathText(path), BackupTexts::problemText(read.problem)));
        return false;
    }
    state_.openBackup(std::move(*read.backup), QFileInfo(pathText(path)).fileName());
    updateActions();
    return true;
}

void GatewayMenu::onCloseBackup() {
    state_.closeBackup();
    updateActions();
}
