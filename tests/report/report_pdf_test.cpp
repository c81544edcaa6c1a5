#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <random>

#include "described_gateway.h"
#include "report/report_content.h"
#include "report/report_pdf.h"
#include "spaces/modbus_space.h"
#include "spaces/profibus_space.h"

using namespace norvik;

namespace {

QString pdftotext(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << "pdftotext did not finish";
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// One line of the extracted text holds these cells, in this order, and nothing else.
bool hasRow(const QStringList& lines, const QStringList& cells) {
    QStringList parts;
    for (const QString& cell : cells)
        parts << QRegularExpression::escape(cell).replace(QStringLiteral("\\ "), QStringLiteral("\\s+"));
    const QRegularExpression row(QStringLiteral("^\\s*") + parts.join(QStringLiteral("\\s+")) +
                                 QStringLiteral("\\s*$"));
    for (const QString& line : lines)
        if (row.match(line).hasMatch()) return true;
    return false;
}

QString n(uint32_t v) { return QString::number(v); }

// Thirty-two modules of every type, with a system module, in one role.
gatesim::GatewayDescription fullGateway(uint8_t role, unsigned seed) {
    std::mt19937 rng(seed);
    const auto pick = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    gatesim::GatewayDescription d;
    d.role = role;
    gatesim::ModuleRecord system;
    system.deviceId = 0xFF;
    system.type = 3;
    system.dataLength = 2;
    system.modbusStart = 1;
    d.systemModule = system;
    for (int i = 0; i < 31; ++i) {
        gatesim::ModuleRecord m;
        m.deviceId = static_cast<uint8_t>(pick(1, 247));
        m.type = static_cast<uint8_t>(i % 6);
        m.profibusBase = static_cast<uint8_t>(pick(0, 250));
        m.internalBase = static_cast<uint16_t>(pick(0, 1900));
        m.dataLength = static_cast<uint8_t>(pick(1, 16));
        m.modbusStart = static_cast<uint16_t>(pick(0, 1030));
        d.modules.push_back(m);
    }
    d.fileNames = {"autoexec.bat", "3420V13.bin"};
    return d;
}

struct Case {
    const char* what;
    gatesim::GatewayDescription description;
};

}  // namespace

TEST(ReportPdf, textHoldsEveryModuleAndRangeOnNumberedPagesWithinTheirMargins) {
    const Case cases[] = {
        {"demo", gatesim::loadDescriptionFile(std::string(NORVIK_GATESIM_DIR) + "/demo-hx3420.json")},
        {"32 modules, master", fullGateway(0, 7)},
        {"32 modules, slave", fullGateway(1, 8)},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ReportContent content = buildReportContent(test::describedGateway(c.description));
        const QString path = dir.filePath(QStringLiteral("report.pdf"));
        ASSERT_TRUE(writeReportPdf(path, content));

        const QString text = pdftotext({QStringLiteral("-layout"), path, QStringLiteral("-")});
        const QStringList lines = text.split(QLatin1Char('\n'));
        const QString role = content.role == ModbusRole::Master ? QStringLiteral("master") : QStringLiteral("slave");
        for (const ReportModule& m : content.modules) {
            EXPECT_TRUE(
                hasRow(lines, {n(static_cast<uint32_t>(m.number)), QString::fromStdString(m.typeName),
                               QString::fromLatin1(modbusRoleText(content.role)),
                               m.system ? QStringLiteral("0xFF") : n(m.deviceId), n(m.inputBytes), n(m.outputBytes)}))
                << "module " << m.number;
        }
        for (const ModbusRange& r : content.modbus) {
            EXPECT_TRUE(hasRow(lines, {n(static_cast<uint32_t>(r.module)), QString::fromStdString(r.typeName), role,
                                       QString::fromLatin1(modbusAreaKey(modbusAreaOf(r.kind))),
                                       QString::fromLatin1(modbusKindName(r.kind)), n(r.first), n(r.last), n(r.count),
                                       QString::fromStdString(modbusRegisterText(r.kind, r.first)),
                                       QString::fromStdString(modbusRegisterText(r.kind, r.last))}))
                << "Modbus range of module " << r.module;
        }
        for (const ProfibusRange& r : content.profibus) {
            EXPECT_TRUE(
                hasRow(lines, {n(static_cast<uint32_t>(r.module)), QString::fromStdString(r.typeName),
                               QString::fromLatin1(profibusTableTitle(r.table)), n(r.first), n(r.last), n(r.count)}))
                << "PROFIBUS range of module " << r.module;
        }
        for (const DeviceRange& r : content.device) {
            EXPECT_TRUE(hasRow(lines, {n(static_cast<uint32_t>(r.module)), QString::fromStdString(r.typeName),
                                       QString::fromLatin1(deviceAreaName(r.area)),
                                       isDigitalArea(r.area) ? QStringLiteral("byte") : QStringLiteral("word"),
                                       n(r.first), n(r.last), n(r.count)}))
                << "device range of module " << r.module;
        }

        // Every page says which of how many it is.
        const int pages = static_cast<int>(text.count(QLatin1Char('\f')));
        ASSERT_GT(pages, 1);
        for (int p = 1; p <= pages; ++p) {
            EXPECT_TRUE(text.contains(QStringLiteral("Page %1 of %2").arg(p).arg(pages))) << "page " << p;
        }

        // No word lies outside its page's margins (12 mm, some 34 points; 20 allowed).
        const QString boxes = pdftotext({QStringLiteral("-bbox"), path, QStringLiteral("-")});
        const QRegularExpression page(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\""));
        const QRegularExpression word(QStringLiteral(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)<"));
        const auto size = page.match(boxes);
        ASSERT_TRUE(size.hasMatch());
        const double width = size.captured(1).toDouble(), height = size.captured(2).toDouble();
        int words = 0;
        for (auto it = word.globalMatch(boxes); it.hasNext();) {
            const auto w = it.next();
            ++words;
            EXPECT_GE(w.captured(1).toDouble(), 20.0) << w.captured(5).toStdString();
            EXPECT_LE(w.captured(3).toDouble(), width - 20.0) << w.captured(5).toStdString();
            EXPECT_LE(w.captured(4).toDouble(), height - 20.0) << w.captured(5).toStdString();
        }
        EXPECT_GT(words, 100);
    }
}
