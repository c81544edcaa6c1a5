#pragma once
// The IP-setting dialog's window as plain values: what the editor shows, what
// the "user" has typed, the button and the timer. Like the dialog, it passes
// every text it is given on to the editor's range check.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "editors/ip_setting_editor.h"

namespace norvik::test {

class FakeIpSettingView : public IpSettingView {
public:
    // Attached after the editor is made, as the dialog does.
    IpSettingEditor* editor = nullptr;

    std::array<Ipv4, kIpFieldCount> addresses{};
    std::array<bool, kIpFieldCount> addressShown{};
    std::array<std::string, kTimeEditCount> times{};
    // The messages told, in order.
    std::vector<EditorMessage> told;
    bool saveToDeviceEnabled = true;
    bool timerRunning = false;
    bool timerAvailable = true;
    int timerStarts = 0;

    Ipv4 address(std::size_t field) const override { return addresses.at(field); }
    void showAddress(std::size_t field, const Ipv4& address) override {
        addresses.at(field) = address;
        addressShown.at(field) = true;
    }
    std::string timeText(std::size_t edit) const override { return times.at(edit); }
    void showTimeText(std::size_t edit, const std::string& text) override {
        times.at(edit) = text;
        if (editor) editor->onTimeTextChanged(edit);
    }
    void setSaveToDeviceEnabled(bool enabled) override { saveToDeviceEnabled = enabled; }
    bool startTransferTimer() override {
        ++timerStarts;
        timerRunning = timerAvailable;
        return timerAvailable;
    }
    void stopTransferTimer() override { timerRunning = false; }
    void tell(EditorMessage message) override {
        told.push_back(message);
        if (whileOpen) whileOpen();
    }
    // Runs while a box is "open".
    std::function<void()> whileOpen;

    // The user typing into an edit.
    void type(std::size_t edit, const std::string& text) {
        times.at(edit) = text;
        if (editor) editor->onTimeTextChanged(edit);
    }
    // Every field and edit as the user would fill them.
    void fill(const IpSettingRecord& record) {
        addresses[kLocalIpField] = record.localIp;
        addresses[kSubnetMaskField] = record.subnetMask;
        addresses[kGatewayField] = record.gateway;
        for (std::size_t row = 0; row < kRemoteIpEntries; ++row) {
            addresses[remoteIpField(row)] = record.remotes[row].address;
            times[timeoutEdit(row)] = std::to_string(record.remotes[row].timeoutValueMs);
            times[reconnectEdit(row)] = std::to_string(record.remotes[row].reconnectTimeMs);
        }
    }
};

}  // namespace norvik::test
