#pragma once
// What the window shows of a gateway: the live link's session, configuration
// and IP setting as the link last told them, or those of a backup opened
// without a gateway. The one owner of that state: the menus, the dialogs and
// the report read it here and ask it for changes, and it tells of every
// change with a signal.

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "backup/gateway_backup.h"
#include "ipsetting/ip_setting.h"
#include "link/link_guards.h"
#include "link/link_session.h"
#include "model/gateway_config.h"

class GatewayState : public QObject {
    Q_OBJECT
public:
    explicit GatewayState(QObject* parent = nullptr);
    ~GatewayState() override;

    const norvik::LinkSession& session() const { return session_; }
    const norvik::GatewayConfig& config() const { return *config_; }
    const norvik::IpSettingRecord& ipSetting() const { return ipSetting_; }
    // The configuration as it is now, kept whole while the state moves on.
    std::shared_ptr<const norvik::GatewayConfig> configSnapshot() const { return config_; }

    // The link's word on what it holds now. While a backup is open the live
    // state is kept and shown again once the backup closes.
    void showLinkSession(const norvik::LinkSession& session);
    void showLinkConfig(std::shared_ptr<const norvik::GatewayConfig> config);
    void showLinkIpSetting(const norvik::IpSettingRecord& record);

    // The IP setting a dialog leaves behind, for the next one to start from.
    void keepIpSetting(const norvik::IpSettingRecord& record);

    // The serial device of the last Connect, for the report and a backup's origin.
    void setConnectedDevice(std::string device) { connectedDevice_ = std::move(device); }
    const std::string& connectedDevice() const { return connectedDevice_; }

    // A backup shown in place of the gateway.
    void openBackup(norvik::GatewayBackup backup, const QString& fileName);
    void closeBackup();
    bool offline() const { return backup_.has_value(); }
    const std::optional<norvik::GatewayBackup>& backup() const { return backup_; }
    const QString& backupFileName() const { return backupFile_; }

    // Whether a command that needs the gateway may run; an open backup stands in for it.
    std::optional<norvik::LinkRefusal> refusal() const;
    std::optional<norvik::LinkRefusal> safeValueRefusal() const;

signals:
    void sessionChanged();
    void configChanged();
    void ipSettingChanged();
    // A backup was opened or closed; the three above have been told already.
    void backupChanged();

private:
    void setConfig(std::shared_ptr<const norvik::GatewayConfig> config);

    norvik::LinkSession session_;
    std::shared_ptr<const norvik::GatewayConfig> config_;
    norvik::IpSettingRecord ipSetting_{};
    // The live link's, while a backup is shown instead.
    norvik::LinkSession liveSession_;
    std::shared_ptr<const norvik::GatewayConfig> liveConfig_;
    norvik::IpSettingRecord liveIpSetting_{};
    std::optional<norvik::GatewayBackup> backup_;
    QString backupFile_;
    std::string connectedDevice_;
};
