#include "backup/backup_texts.h"

#include "common/text_conversion.h"
#include "model/module_types.h"

namespace {

using namespace norvik;

// Named with the safe-value and IP dialogs' own words, in their contexts, so
// that a translation of theirs names the table's rows alike.
QString safeValueWord(const char* text) { return QCoreApplication::translate("SafeValueDialog", text); }
QString ipWord(const char* text) { return QCoreApplication::translate("IpSettingDialog", text); }

QString areaCaption(DeviceArea area) {
    switch (area) {
    case DeviceArea::DO: return safeValueWord("DO");
    case DeviceArea::DI: return safeValueWord("DI");
    case DeviceArea::AO: return safeValueWord("AO");
    case DeviceArea::AI: return safeValueWord("AI");
    }
    return {};
}

}  // namespace

QString BackupTexts::menuGateway() { return tr("&Gateway"); }
QString BackupTexts::itemBackUp() { return tr("&Back Up…"); }
QString BackupTexts::itemRestore() { return tr("&Restore…"); }
QString BackupTexts::itemCompare() { return tr("&Compare with Backup…"); }
QString BackupTexts::itemOpenBackup() { return tr("&Open Backup…"); }
QString BackupTexts::itemCloseBackup() { return tr("C&lose Backup"); }
QString BackupTexts::itemExportReport() { return tr("&Export Report…"); }
QString BackupTexts::fileFilter() { return tr("Norvik backup (*.norvik)"); }

QString BackupTexts::commandName(BackupCommand command) {
    switch (command) {
    case BackupCommand::BackUp: return tr("Back up");
    case BackupCommand::Restore: return tr("Restore");
    case BackupCommand::Compare: return tr("Compare");
    case BackupCommand::Report: return tr("Export report");
    }
    return {};
}

QString BackupTexts::stepText(JobKind step) {
    switch (step) {
    case JobKind::ReadParameters: return tr("Reading the parameters…");
    case JobKind::ReadFileNames: return tr("Reading the file names…");
    case JobKind::ReadSafeValues: return tr("Reading the safe values…");
    case JobKind::ReadIpSetting: return tr("Reading the IP setting…");
    case JobKind::SendSafeValues: return tr("Sending the safe values…");
    case JobKind::SendIpSetting: return tr("Sending the IP setting…");
    }
    return {};
}

QString BackupTexts::problemText(const BackupProblem& p) {
    const QString field = latin1(p.field);
    switch (p.error) {
    case BackupError::None: return {};
    case BackupError::CannotOpen: return tr("The file cannot be opened.");
    case BackupError::NotRegularFile: return tr("This is not a regular file.");
    case BackupError::TooLarge:
        return tr("The file holds %1 bytes; a backup holds at most %2.").arg(p.actual).arg(p.expected);
    case BackupError::BadJson: return tr("The file is not a Norvik backup: it is not JSON.");
    case BackupError::NotABackup: return tr("The file is not a Norvik backup.");
    case BackupError::NewerFormat:
        return tr("The backup was written in format %1, which a newer Norvik reads; this one reads format %2.")
            .arg(p.actual)
            .arg(p.expected);
    case BackupError::MissingField: return tr("The backup lacks \"%1\".").arg(field);
    case BackupError::BadField: return tr("The backup's \"%1\" is damaged.").arg(field);
    case BackupError::WrongChecksum:
        return tr("The backup's blocks do not match its checksum: the file was changed or damaged.");
    case BackupError::WrongBlockSize:
        return tr("The backup's \"%1\" holds %2 bytes where a gateway sends %3.")
            .arg(field)
            .arg(p.actual)
            .arg(p.expected);
    case BackupError::Inconsistent: return tr("The backup's \"%1\" does not agree with its blocks.").arg(field);
    case BackupError::CannotWrite:
        return tr("The backup could not be written; an existing file of that name is unchanged.");
    }
    return {};
}

QString BackupTexts::failureText(BackupCommand command, const RunFailure& f) {
    if (!f.problem.ok()) return tr("The gateway's blocks were refused: %1").arg(problemText(f.problem));
    const QString step = stepText(f.step);
    QString why;
    switch (f.outcome) {
    case JobOutcome::Done: break;
    case JobOutcome::GatewayError: why = tr("the gateway reported an error."); break;
    case JobOutcome::BlockIncomplete: why = tr("a block did not come whole."); break;
    case JobOutcome::NoAnswer: why = tr("the gateway did not answer."); break;
    case JobOutcome::LinkLost: why = tr("the link to the gateway was lost."); break;
    case JobOutcome::Cancelled: why = tr("it was cancelled."); break;
    case JobOutcome::Refused: why = illegalIpText(f.illegalIp); break;
    }
    QString text = tr("%1 stopped at \"%2\": %3").arg(commandName(command), step, why);
    if (command == BackupCommand::BackUp) text += QLatin1Char('\n') + tr("No file was written.");
    return text;
}

QString BackupTexts::refusalText(const RestoreCheck& c) {
    switch (c.refusal) {
    case RestoreRefusal::None: return {};
    case RestoreRefusal::UnknownModel:
        return tr(
            "The backup cannot be restored: the model of the backup or of the gateway is not known. Nothing was sent.");
    case RestoreRefusal::OtherModel:
        return tr("The backup is of an %1 and the gateway is an %2: it cannot be restored there. Nothing was sent.")
            .arg(latin1(c.backupModel), latin1(c.gatewayModel));
    case RestoreRefusal::OtherSafeValueLayout:
        return tr("The backup holds %1 bytes of safe values and the gateway takes %2: its firmware differs. Nothing "
                  "was sent.")
            .arg(c.backupSafeValueBytes)
            .arg(c.gatewaySafeValueBytes);
    }
    return {};
}

// The IP dialog's own words for an address it would not send.
QString BackupTexts::illegalIpText(const std::optional<IllegalIpAddress>& illegal) {
    if (!illegal || !illegal->remoteRow) return ipWord("Error ! Local IP isn't legal.");
    const std::string text = "Error ! Remote IP (" + std::to_string(*illegal->remoteRow + 1) + ") isn't legal.";
    return ipWord(text.c_str());
}

QString BackupTexts::restoreReportText(const RestoreReport& r) {
    if (r.verified) return tr("Restore verified");
    QStringList lines;
    if (r.failure) {
        lines << failureText(BackupCommand::Restore, *r.failure);
        // What the gateway may hold now: only its acknowledgements tell, and a
        // block sent whole may be stored though the link failed before it said so.
        switch (r.safeValueSend) {
        case SendState::NotSent: lines << tr("The safe values were not sent."); break;
        case SendState::Acknowledged: lines << tr("The safe values were sent and the gateway stored them."); break;
        case SendState::Unconfirmed:
            lines << tr("The safe values were sent, but the gateway did not confirm them: it may have stored them.");
            break;
        }
        if (r.hasIpSetting) {
            switch (r.ipSettingSend) {
            case SendState::NotSent: lines << tr("The IP setting was not sent."); break;
            case SendState::Acknowledged: lines << tr("The IP setting was sent and the gateway stored it."); break;
            case SendState::Unconfirmed:
                lines << tr("The IP setting was sent, but the gateway did not confirm it: it may have stored it.");
                break;
            }
        }
        if (r.mayHaveChanged()) {
            lines << tr("Once the link is back, use Compare with Backup to see what the gateway holds.");
        } else {
            lines << tr("Nothing was changed on the gateway.");
        }
        return lines.join(QLatin1Char('\n'));
    }
    lines << tr("The gateway holds other values than the backup after the restore:");
    for (const Row& row : differenceRows(r.differences)) {
        lines << tr("%1 %2: backup %3, gateway %4").arg(row.cells[0], row.cells[1], row.cells[2], row.cells[3]);
    }
    return lines.join(QLatin1Char('\n'));
}

QString BackupTexts::savedText(const QString& path, const GatewayBackup& backup) {
    return tr("The backup of the %1 was written to %2.").arg(latin1(backup.gateway.config.modelName), path);
}

QString BackupTexts::offlineTitle(const QString& caption, const GatewayBackup& backup) {
    return tr("%1 — offline backup of an %2 taken %3")
        .arg(caption, latin1(backup.gateway.config.modelName), latin1(backup.origin.takenAt));
}

QString BackupTexts::offlineStatus(const QString& fileName) { return tr("Offline backup %1").arg(fileName); }

QString BackupTexts::connectWhileOffline() {
    return tr("A backup is open. Close it (Gateway, Close Backup) before connecting to a gateway.");
}

QString BackupTexts::openWhileConnected() { return tr("Disconnect from the gateway before opening a backup."); }

QString BackupTexts::notWhileOffline() {
    return tr("A backup is open, not a gateway. Close the backup and connect to a gateway first.");
}

std::array<QString, 5> BackupTexts::tableHeader() {
    return {tr("Where"), tr("Item"), tr("Backup"), tr("Gateway"), tr("Restore writes it")};
}

std::vector<BackupTexts::Row> BackupTexts::differenceRows(const BackupDifferences& d) {
    std::vector<Row> rows;
    rows.reserve(d.parameters.size() + d.safeValues.size() + d.ipSetting.size());
    const QString none = tr("(none)");
    const auto value = [&](const std::string& text) { return text.empty() ? none : latin1(text); };
    for (const ParameterDifference& p : d.parameters) {
        QString where = latin1(p.node);
        QString item = latin1(p.item);
        if (p.node == kFirmwareNode) {
            where = tr("Firmware Information");
            item = p.item == kFirmwareName      ? tr("Firmware name :")
                   : p.item == kFirmwareVersion ? tr("Version :")
                                                : tr("File count :");
        }
        rows.push_back({{where, item, value(p.backupValue), value(p.gatewayValue)}, false});
    }
    // Named as the safe-value dialog names its cells: the area, the row's
    // address and, for a bit, its column.
    for (const SafeValueDifference& s : d.safeValues) {
        QString where;
        QString item;
        if (s.area == DeviceArea::DO || s.area == DeviceArea::DI) {
            const uint32_t byte = s.index / 8;
            where = areaCaption(s.area) + QLatin1Char(' ') + QStringLiteral("%1~%2").arg(8 * byte).arg(8 * byte + 7);
            item = safeValueWord("bit %1").arg(s.index % 8);
        } else {
            where = areaCaption(s.area) + QLatin1Char(' ') + QString::number(s.index);
            item = safeValueWord("Configure(Hex)");
        }
        rows.push_back({{where, item, value(s.backupValue), value(s.gatewayValue)}, true});
    }
    for (const IpDifference& i : d.ipSetting) {
        QString where = ipWord("Local IP Setting");
        QString item;
        // The dialog's own row labels, "I P (1) :" to "I P (8) :".
        const QByteArray remoteLabel = "I P (" + QByteArray::number(i.remote + 1) + ") :";
        const QString remote = ipWord(remoteLabel.constData());
        switch (i.field) {
        case IpField::LocalIp: item = ipWord("I P :"); break;
        case IpField::SubnetMask: item = ipWord("MASK :"); break;
        case IpField::Gateway: item = ipWord("GATEWAY :"); break;
        case IpField::RemoteAddress: item = remote; [[fallthrough]];
        case IpField::RemoteTimeout:
        case IpField::RemoteReconnect:
            where = ipWord("Remote IP Setting") + QLatin1Char(' ') + remote;
            if (i.field == IpField::RemoteTimeout) item = ipWord("Time out value (ms) :");
            if (i.field == IpField::RemoteReconnect) item = ipWord("ReConnect time (ms) :");
            break;
        }
        rows.push_back({{where, item, value(i.backupValue), value(i.gatewayValue)}, true});
    }
    return rows;
}

QString BackupTexts::differenceSummary(const BackupDifferences& d) {
    if (d.empty()) return tr("The gateway holds what the backup holds.");
    return tr("Differences: safe values %1, IP setting fields %2 (a restore writes these); "
              "parameters %3 (read only: a restore cannot change them).")
        .arg(d.safeValues.size())
        .arg(d.ipSetting.size())
        .arg(d.parameters.size());
}
