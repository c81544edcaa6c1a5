#include "gateway/gateway_state.h"

#include <utility>

GatewayState::GatewayState(QObject* parent)
    : QObject(parent), config_(std::make_shared<const norvik::GatewayConfig>()), liveConfig_(config_) {}

GatewayState::~GatewayState() = default;

void GatewayState::showLinkSession(const norvik::LinkSession& session) {
    liveSession_ = session;
    if (offline()) return;
    session_ = session;
    emit sessionChanged();
}

void GatewayState::showLinkConfig(std::shared_ptr<const norvik::GatewayConfig> config) {
    liveConfig_ = std::move(config);
    if (!offline()) setConfig(liveConfig_);
}

void GatewayState::showLinkIpSetting(const norvik::IpSettingRecord& record) {
    liveIpSetting_ = record;
    if (offline()) return;
    ipSetting_ = record;
    emit ipSettingChanged();
}

void GatewayState::keepIpSetting(const norvik::IpSettingRecord& record) {
    if (record == ipSetting_) return;
    ipSetting_ = record;
    if (!offline()) liveIpSetting_ = record;
    emit ipSettingChanged();
}

void GatewayState::setConfig(std::shared_ptr<const norvik::GatewayConfig> config) {
    config_ = std::move(config);
    emit configChanged();
}

void GatewayState::openBackup(norvik::GatewayBackup backup, const QString& fileName) {
    backup_ = std::move(backup);
    backupFile_ = fileName;
    const norvik::GatewaySnapshot& gateway = backup_->gateway;
    // The backup stands in for what the link would have read.
    session_ = liveSession_;
    session_.firmwareFileNames = gateway.fileNames;
    session_.fileCount = gateway.fileCount;
    session_.fileNamesReceived = gateway.blocks.fileNames.has_value();
    session_.firmwareAutoQuery = false;
    session_.safeValueLayout = gateway.blocks.safeValueLayout;
    ipSetting_ = gateway.ipSetting.value_or(norvik::IpSettingRecord{});
    emit sessionChanged();
    emit ipSettingChanged();
    setConfig(std::make_shared<const norvik::GatewayConfig>(gateway.config));
    emit backupChanged();
}

void GatewayState::closeBackup() {
    if (!backup_) return;
    backup_.reset();
    backupFile_.clear();
    // Nothing is known of a gateway until the next Connect reads it.
    liveSession_.firmwareFileNames = {};
    liveSession_.fileCount = 0;
    liveSession_.fileNamesReceived = false;
    liveSession_.firmwareAutoQuery = true;
    liveSession_.safeValueLayout = norvik::SafeValueLayout::Block512;
    liveConfig_ = std::make_shared<const norvik::GatewayConfig>();
    liveIpSetting_ = norvik::IpSettingRecord{};
    session_ = liveSession_;
    ipSetting_ = liveIpSetting_;
    emit sessionChanged();
    emit ipSettingChanged();
    setConfig(liveConfig_);
    emit backupChanged();
}

std::optional<norvik::LinkRefusal> GatewayState::refusal() const {
    if (offline()) return std::nullopt;
    return norvik::linkRefusal(session_);
}

std::optional<norvik::LinkRefusal> GatewayState::safeValueRefusal() const {
    if (offline()) return std::nullopt;
    return norvik::safeValueRefusal(session_);
}
