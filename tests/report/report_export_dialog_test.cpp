#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "described_gateway.h"
#include "report_dialog/report_export_dialog.h"
#include "support/recording_prompts.h"

namespace {

using Format = ReportExportDialog::Format;

norvik::ReportSource demoSource() {
    norvik::ReportSource source = norvik::test::describedGateway(
        gatesim::loadDescriptionFile(std::string(NORVIK_GATESIM_DIR) + "/demo-hx3420.json"));
    source.date.clear();
    return source;
}

}  // namespace

TEST(ReportExportDialog, writesTheChosenFormatWhereTheUserSaysAndTellsSo) {
    QTemporaryDir dir;
    const struct {
        Format format;
        QString path;
        QString expectedFile;  // what must exist afterwards
        const char* suffix;    // offered for a name typed without one
    } cases[] = {
        {Format::Pdf, dir.filePath("r.pdf"), dir.filePath("r.pdf"), "pdf"},
        {Format::CsvFolder, dir.filePath("tables"), dir.filePath("tables/modbus_map.csv"), ""},
        {Format::ModbusMapCsv, dir.filePath("map.csv"), dir.filePath("map.csv"), "csv"},
    };
    for (const auto& c : cases) {
        norvik::test::RecordingPrompts prompts;
        prompts.saveAnswer = c.path.toStdString();
        ReportExportDialog dialog(demoSource(), prompts);
        dialog.setFormat(c.format);
        QSignalSpy written(&dialog, &ReportExportDialog::reportWritten);
        EXPECT_TRUE(dialog.exportReport());
        EXPECT_TRUE(QFile::exists(c.expectedFile)) << c.expectedFile.toStdString();
        ASSERT_EQ(prompts.fileQuestions.size(), 1u);
        EXPECT_EQ(prompts.fileQuestions[0].choice.defaultSuffix, c.suffix);
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].title, "Message");
        EXPECT_EQ(prompts.shown[0].text, "The report was written to " + c.path.toStdString() + ".");
        EXPECT_EQ(written.count(), 1);
    }
    // The PDF is a PDF, the Modbus map the one table.
    QFile pdf(dir.filePath("r.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    QFile map(dir.filePath("map.csv"));
    ASSERT_TRUE(map.open(QIODevice::ReadOnly));
    EXPECT_TRUE(map.readLine() == "module,type,role,area,first,last,count,first_register,last_register\r\n");
}

TEST(ReportExportDialog, aCancelledPathWritesNothingAndAFailedWriteIsTold) {
    QTemporaryDir dir;
    norvik::test::RecordingPrompts prompts;
    ReportExportDialog dialog(demoSource(), prompts);
    EXPECT_EQ(dialog.format(), Format::Pdf);
    EXPECT_FALSE(dialog.exportReport());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // A folder where the PDF should go: nothing is replaced and the box says so.
    prompts.saveAnswer = dir.path().toStdString();
    EXPECT_FALSE(dialog.exportReport());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Error ! The report could not be written to " + dir.path().toStdString() + ".");
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

TEST(ReportExportDialog, aLiveLinkGivesItsSafeValueBlockOnlyWhenItIsWhole) {
    norvik::LinkSession link;
    link.fileCount = 1;
    link.firmwareFileNames[0] = "3420V13.bin";
    link.safeValueLayout = norvik::SafeValueLayout::Block976;
    const struct {
        std::size_t bytes;
        bool reported;
    } cases[] = {{976, true}, {512, false}, {0, false}};
    for (const auto& c : cases) {
        link.safeValueBytes.assign(c.bytes, 0x5A);
        const norvik::ReportSource source =
            reportSourceFromLink(norvik::GatewayConfig{}, link, nullptr, "/dev/ttyUSB0");
        EXPECT_EQ(source.safeValues.has_value(), c.reported) << c.bytes;
        EXPECT_EQ(source.fileNames[0], "3420V13.bin");
        EXPECT_EQ(source.origin, "/dev/ttyUSB0");
        EXPECT_FALSE(source.ipSetting.has_value());
    }
}
