#include "backup/backup_diff.h"

#include <gtest/gtest.h>

#include <functional>

#include "backup_blocks.h"

namespace norvik {
namespace {

using test::Kind;

TEST(BackupDiff, namesEachDifferenceWhereTheWindowsShowIt) {
    struct Case {
        const char* name;
        std::function<void(GatewayBlocks&)> change;  // applied to the gateway's blocks
        BackupDifferences expected;
    };
    const GatewayBlocks backup = test::gatewayBlocks(Kind::Hx3420Small);
    const Case cases[] = {
        {"nothing changed", [](GatewayBlocks&) {}, {}},
        {"a DO bit, a DI bit and an AO word",
         [](GatewayBlocks& g) {
             g.safeValues[128 + 1] ^= 0x80;  // DO bit 15
             g.safeValues[0] ^= 0x01;        // DI bit 0
             g.safeValues[384 + 2] = 0x34;   // AO word 1, low byte
             g.safeValues[384 + 3] = 0x12;
         },
         {{},
          {{DeviceArea::DO, 15, "H", "L"}, {DeviceArea::DI, 0, "L", "H"}, {DeviceArea::AO, 1, "958E", "1234"}},
          {}}},
        {"the local IP and the third remote's reconnect time",
         [](GatewayBlocks& g) {
             (*g.ipSetting)[3] = 9;
             (*g.ipSetting)[28 + 6] = 0;
             (*g.ipSetting)[28 + 7] = 100;
         },
         {{},
          {},
          {{IpField::LocalIp, 0, "192.168.255.1", "192.168.255.9"}, {IpField::RemoteReconnect, 2, "8000", "100"}}}},
        {"the poll interval, which no request can write",
         [](GatewayBlocks& g) { g.parameters = test::sampleParameterBlock('5', 3, 200); },
         {{{"HX-3420", "Poll interval time (M)", "100ms", "200ms"}}, {}, {}}},
        {"a module fewer",
         [](GatewayBlocks& g) { g.parameters = test::sampleParameterBlock('5', 2); },
         {{{"HX-3420", "Module count", "4", "3"},
           {"Module 4", "Modbus Device ID (M)", "3", ""},
           {"Module 4", "Modbus Type", "WAO", ""},
           {"Module 4", "Profibus base addr.(byte)", "8", ""},
           {"Module 4", "Internal base addr.(word/bit)", "32", ""},
           {"Module 4", "Data Length(byte)", "4", ""},
           {"Module 4", "Modbus start addr.(word/bit) (M)", "20", ""},
           {"Module 4", "Change Word Order", "Enable", ""},
           {"Module 4", "Tcp connect index (T)(M)", "1", ""}},
          {},
          {}}},
        {"another firmware",
         [](GatewayBlocks& g) { g.fileNames = test::sampleFileNameReply({"3420V11.bin"}); },
         {{{kFirmwareNode, kFirmwareName, "3420V10.bin", "3420V11.bin"},
           {kFirmwareNode, kFirmwareVersion, "V10", "V11"}},
          {},
          {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GatewayBlocks gateway = backup;
        c.change(gateway);
        const BackupDifferences d = compareWithBackup(test::snapshotOf(backup), test::snapshotOf(gateway));
        EXPECT_EQ(d.parameters, c.expected.parameters);
        EXPECT_EQ(d.safeValues, c.expected.safeValues);
        EXPECT_EQ(d.ipSetting, c.expected.ipSetting);
        EXPECT_EQ(d.writableEqual(), c.expected.safeValues.empty() && c.expected.ipSetting.empty());
    }
}

TEST(BackupDiff, refusesARestoreToAnotherKindOfGateway) {
    struct Case {
        Kind backup;
        Kind gateway;
        RestoreRefusal refusal;
    };
    const Case cases[] = {
        {Kind::Hx3410, Kind::Hx3410, RestoreRefusal::None},
        {Kind::Hx3420Large, Kind::Hx3420Large, RestoreRefusal::None},
        {Kind::Hx3410, Kind::Hx3420Small, RestoreRefusal::OtherModel},
        {Kind::Hx3420Small, Kind::Hx3410, RestoreRefusal::OtherModel},
        {Kind::Hx3420Small, Kind::Hx3420Large, RestoreRefusal::OtherSafeValueLayout},
        {Kind::Hx3420Large, Kind::Hx3420Small, RestoreRefusal::OtherSafeValueLayout},
    };
    for (const Case& c : cases) {
        const GatewaySnapshot backup = test::snapshotOf(test::gatewayBlocks(c.backup));
        const RestoreCheck check = checkRestore(backup, test::snapshotOf(test::gatewayBlocks(c.gateway, 5)));
        EXPECT_EQ(check.refusal, c.refusal) << check.backupModel << " " << check.backupSafeValueBytes << " to "
                                            << check.gatewayModel << " " << check.gatewaySafeValueBytes;
    }

    GatewayBlocks nameless = test::gatewayBlocks(Kind::Hx3410);
    nameless.parameters[0] = 0;  // no marker: the model stays unknown
    EXPECT_EQ(checkRestore(test::snapshotOf(nameless), test::snapshotOf(nameless)).refusal,
              RestoreRefusal::UnknownModel);
}

}  // namespace
}  // namespace norvik
