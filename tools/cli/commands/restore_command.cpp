// restore: a backup sent to the gateway after the checks, and verified.

#include "backup_words.h"
#include "cli_texts.h"
#include "command_run.h"

namespace norvik::cli {

namespace {

class RestoreCommandRun final : public CommandRun {
public:
    using CommandRun::CommandRun;

private:
    bool readInputFirst() override { return readBackupInput(); }

    void carryOut() override {
        const std::optional<GatewaySnapshot> snapshot = readGateway();
        if (!snapshot) return;
        const RestoreCheck check = checkRestore(backupIn_->gateway, *snapshot);
        if (!check.allowed()) {
            fail(ExitCode::GatewayError, restoreRefusalText(check));
            return;
        }
        if (options_.dryRun) {
            const BackupDifferences differences = compareWithBackup(backupIn_->gateway, *snapshot);
            say(differences.writableEqual() ? texts::kRestoreChangesNothing : texts::kRestoreWouldChange);
            showDifferences(differences);
            return;
        }
        if (options_.noVerify) {
            sendUnverified();
            return;
        }
        std::optional<RestoreReport> outcome;
        bool finished = false;
        RestoreRun restoreRun(link_.jobs(), backupIn_->gateway, *snapshot, runHooks(), [&](const RestoreReport& r) {
            outcome = r;
            finished = true;
        });
        if (!drive(restoreRun, finished)) return;
        report_.json["safe_values_sent"] = outcome->safeValuesSent;
        report_.json["ip_setting_sent"] = outcome->ipSettingSent;
        report_.json["verified"] = outcome->verified;
        if (outcome->failure) {
            failedRun(*outcome->failure);
            sayWhatWasSent(*outcome);
            return;
        }
        if (outcome->verified) {
            say(texts::kRestoreVerified);
            return;
        }
        say(texts::kReadBackDiffers);
        showDifferences(outcome->differences);
        fail(ExitCode::Differs, texts::kHoldsOther);
    }

    // A restore that stopped: what each block came to, as far as the gateway said.
    void sayWhatWasSent(const RestoreReport& r) {
        static constexpr const char* kStates[] = {"not-sent", "acknowledged", "unconfirmed"};
        const auto line = [](SendState state, const char* notSent, const char* stored, const char* unconfirmed) {
            return state == SendState::NotSent ? notSent : state == SendState::Acknowledged ? stored : unconfirmed;
        };
        report_.json["safe_values"] = kStates[static_cast<int>(r.safeValueSend)];
        say(line(r.safeValueSend, texts::kSafeValuesNotSent, texts::kSafeValuesStored, texts::kSafeValuesUnconfirmed));
        if (r.hasIpSetting) {
            report_.json["ip_setting"] = kStates[static_cast<int>(r.ipSettingSend)];
            say(line(r.ipSettingSend, texts::kIpSettingNotSent, texts::kIpSettingStored, texts::kIpSettingUnconfirmed));
        }
        report_.json["may_have_changed"] = r.mayHaveChanged();
        say(r.mayHaveChanged() ? texts::kCompareOnceBack : texts::kNothingChanged);
    }

    void sendUnverified() {
        if (const std::optional<IllegalIpAddress> illegal = restoreRefusal(backupIn_->gateway)) {
            fail(ExitCode::FileError, illegalIpText(illegal));
            say(texts::kNothingChanged);
            return;
        }
        const RestorePlan plan = restorePlan(backupIn_->gateway);
        if (!run(Job::sendSafeValues(plan.safeValues)).done()) return;
        say(texts::kSafeValueSent);
        if (!plan.ipSetting) return;
        if (!run(Job::sendIpSetting(*plan.ipSetting)).done()) {
            say(texts::kOnlySafeValuesRestored);
            return;
        }
        say(texts::kIpSettingSent);
    }
};

}  // namespace

std::unique_ptr<CommandRun> makeRestoreRun(const RunContext& context) {
    return std::make_unique<RestoreCommandRun>(context);
}

}  // namespace norvik::cli
