#include "link/pending_blocks.h"

#include <utility>

#include "safevalue/safe_value_layout.h"

namespace norvik {

std::unique_ptr<BlockWorker::Result> PendingBlocks::resultFor(BlockWorker::Kind kind) {
    auto result = std::make_unique<BlockWorker::Result>();
    result->kind = kind;
    if (kind == BlockWorker::Kind::Parameter) {
        result->config = spareConfig_ ? std::move(spareConfig_) : std::make_unique<GatewayConfig>();
        *result->config = config_;
    }
    if (kind == BlockWorker::Kind::FileName) {
        result->fileNames.names = session_.firmwareFileNames;
        result->fileNames.fileCount = session_.fileCount;
    }
    return result;
}

bool PendingBlocks::hold(BlockWorker::Result& result) {
    const bool whole = result.outcome.whole;
    if (whole) raw_ = std::move(result.outcome.raw);
    switch (result.kind) {
    case BlockWorker::Kind::Parameter:
        if (whole) {
            pendingConfig_ = std::move(result.config);
        } else {
            spareConfig_ = std::move(result.config);
        }
        return whole;
    case BlockWorker::Kind::SafeValue:
        if (whole) pendingSafeValues_ = std::move(result.safeValueBytes);
        return whole;
    case BlockWorker::Kind::IpSetting:
        // A partial block is no IP setting: the record on hand stays.
        if (whole) pendingIpSetting_ = result.ipSetting;
        return whole;
    case BlockWorker::Kind::FileName:
        // Names that parsed are held until the finish line confirms them, as
        // the parameter block is.
        if (result.fileNames.failed) return false;
        pendingFileNames_ = std::move(result.fileNames);
        return true;
    }
    return false;
}

void PendingBlocks::drop() {
    pendingSafeValues_.reset();
    pendingIpSetting_.reset();
    if (pendingConfig_) spareConfig_ = std::move(pendingConfig_);
    pendingFileNames_.reset();
}

std::optional<JobOutcome> PendingBlocks::install(Exchange load, bool jobAsked) {
    switch (load) {
    case Exchange::Parameter:
        if (pendingConfig_) {
            config_ = std::move(*pendingConfig_);
            spareConfig_ = std::move(pendingConfig_);
            view_.tell(LinkChange::TreeRebuilt);
        }
        session_.linkState = LinkState::Connected;
        session_.parameterLoaded = true;
        session_.parameterBlockRaw = raw_;
        view_.setIpSettingMenu(config_.modelName == kModelHx3420);
        if (config_.systemModuleStatus == SystemModuleStatus::Present) {
            view_.setOperation(Operation::ParameterFinish);
        } else if (config_.systemModuleStatus == SystemModuleStatus::Misplaced) {
            view_.setOperation(Operation::SystemModuleAddressError);
        } else {
            view_.setOperation(Operation::SystemModuleMissing);
        }
        if (jobs_.running()) jobs_.data().config = std::make_shared<const GatewayConfig>(config_);
        return JobOutcome::Done;
    case Exchange::LoadSafeValue:
        view_.setOperation(Operation::SafeValueReceived);
        // Kept whether a job asked or not: it is what the gateway holds now.
        if (pendingSafeValues_) session_.safeValueBytes = *pendingSafeValues_;
        if (!jobAsked) return std::nullopt;
        if (pendingSafeValues_) jobs_.data().safeValues = *pendingSafeValues_;
        jobs_.data().safeValueLayout = session_.safeValueLayout;
        return pendingSafeValues_ ? JobOutcome::Done : JobOutcome::BlockIncomplete;
    case Exchange::LoadIpSetting:
        view_.setOperation(Operation::IpSettingReceived);
        if (jobAsked) {
            if (pendingIpSetting_) jobs_.data().ipSetting = *pendingIpSetting_;
            return pendingIpSetting_ ? JobOutcome::Done : JobOutcome::BlockIncomplete;
        }
        // A block no job asked for still tells what the gateway holds.
        if (pendingIpSetting_) ipSetting_ = *pendingIpSetting_;
        return std::nullopt;
    case Exchange::FileName:
        // Only a reply that parsed gets here: a failed one has said so already.
        if (pendingFileNames_) {
            session_.firmwareFileNames = pendingFileNames_->names;
            session_.fileCount = pendingFileNames_->fileCount;
            session_.fileNamesReceived = true;
            fileNameCompletion();
        }
        view_.setOperation(Operation::FileNameFinish);
        session_.fileNameReplyRaw = raw_;
        if (jobs_.running()) {
            JobResult& names = jobs_.data();
            names.fileNames = session_.firmwareFileNames;
            names.fileCount = session_.fileCount;
            names.safeValueLayout = session_.safeValueLayout;
        }
        return JobOutcome::Done;
    default: return std::nullopt;
    }
}

bool PendingBlocks::refuse(Exchange load, bool takenAsWhole) {
    switch (load) {
    case Exchange::Parameter:
        view_.setOperation(Operation::ParameterIncomplete);
        if (takenAsWhole) {
            // Taken as whole when it came, but its finish line shows it was
            // not: what was shown of an earlier load goes too, as the gateway
            // may have changed.
            config_.moduleCount = 0;
            view_.tell(LinkChange::TreeCleared);
            view_.tell(LinkChange::ListReset);
        }
        return true;
    case Exchange::LoadSafeValue: view_.setOperation(Operation::ReceiveSafeValueError); return true;
    case Exchange::LoadIpSetting: view_.setOperation(Operation::ReceiveIpSettingError); return true;
    case Exchange::FileName:
        // A reply that looked whole (its last name took the head of the
        // finish line for its missing bytes) was never installed.
        fileNameFailure();
        return true;
    default: return false;
    }
}

// The names are in: the layout of the safe values is known from here on. A
// job that asked for them ends with the finish line.
void PendingBlocks::fileNameCompletion() {
    session_.firmwareAutoQuery = false;
    session_.safeValueLayout =
        chooseSafeValueLayout(config_.modelName, session_.firmwareFileNames, session_.safeValueLayout);
}

// A reply that came but could not be read whole says nothing: not that the
// firmware lacks the query, nor which names it holds, nor the layout. What an
// earlier whole reply told stays; without one the automatic query is still to
// be answered, and everything that needs the layout waits or is refused.
void PendingBlocks::fileNameFailure() {
    view_.setOperation(Operation::FileNameError);
    session_.fileNamesReceived = false;
}

}  // namespace norvik
