#include "report/report_pdf.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetricsF>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QFile>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <span>
#include <vector>

#include "model/atomic_file.h"
#include "norvik_version.h"
#include "spaces/modbus_space.h"
#include "spaces/profibus_space.h"

using norvik::DeviceArea;
using norvik::ModbusKind;
using norvik::ProfibusTable;
using norvik::ReportContent;
using norvik::SpaceUse;

namespace {

constexpr int kResolution = 600;  // dots per inch of the page's coordinates
constexpr double kPageWidth = 210.0, kPageHeight = 297.0, kMargin = 12.0;
constexpr double kContentWidth = kPageWidth - 2 * kMargin;
const QColor kHeaderGrey(200, 200, 200);
// Fewer rows than this fill one panel rather than being spread thin.
constexpr std::size_t kRowsPerPanel = 8;

QString utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
QString latin1(const char* text) { return QString::fromLatin1(text); }

QColor cellColour(SpaceUse use) {
    const uint32_t bgr = norvik::spaceUseColour(use);
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

struct Column {
    QString heading;
    double width;  // mm
    Qt::Alignment align = Qt::AlignLeft;
};

struct Cell {
    QString text;
    QColor background = Qt::white;
};
using Row = std::vector<Cell>;

struct Table {
    std::vector<Column> columns;
    std::vector<Row> rows;
    // Side-by-side copies of the table that the rows flow through, for narrow tables.
    int panels = 1;
    double fontPt = 8;
    // Long texts wrap within their cell instead of being cut.
    bool wrap = false;
};

// Lays the report out page by page. It runs twice: once without a painter to
// count the pages, then painting, so that every page can say how many there are.
class ReportLayout {
    Q_DECLARE_TR_FUNCTIONS(ReportPdf)

public:
    ReportLayout(const ReportContent& content, QPdfWriter& writer, QPainter* painter, int pageCount)
        : content_(content), writer_(writer), painter_(painter), pageCount_(pageCount) {}

    int run() {
        y_ = mm(kMargin);
        titleBlock();
        parameterList();
        moduleTable();
        rangeTables();
        drawnSpaces();
        firmwareFiles();
        safeValues();
        ipSetting();
        footer();
        return page_;
    }

private:
    static double mm(double v) { return v * kResolution / 25.4; }
    double bottom() const { return mm(kPageHeight - kMargin - 8); }
    double left() const { return mm(kMargin); }

    QFont font(double pt, bool bold = false) const {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setStyleHint(QFont::SansSerif);
        f.setPointSizeF(pt);
        f.setBold(bold);
        // Any letter spacing turns ligatures off, so that "fi" is found again
        // as two letters when the text is searched or copied.
        f.setLetterSpacing(QFont::AbsoluteSpacing, 0.1);
        return f;
    }
    QFontMetricsF metrics(const QFont& f) const { return QFontMetricsF(f, &writer_); }

    void newPage() {
        footer();
        if (painter_ != nullptr) writer_.newPage();
        ++page_;
        y_ = mm(kMargin);
    }
    void need(double height) {
        if (y_ + height > bottom()) newPage();
    }

    void footer() {
        if (painter_ == nullptr) return;
        painter_->setFont(font(7));
        painter_->setPen(Qt::black);
        const QRectF band(left(), mm(kPageHeight - kMargin - 5), mm(kContentWidth), mm(5));
        painter_->drawText(band, Qt::AlignLeft | Qt::AlignVCenter,
                           tr("Norvik %1 commissioning report, %2, %3")
                               .arg(utf8(content_.norvikVersion), utf8(content_.model), utf8(content_.date)));
        painter_->drawText(band, Qt::AlignRight | Qt::AlignVCenter, tr("Page %1 of %2").arg(page_).arg(pageCount_));
    }

    double textHeight(const QFont& f, const QString& text, double width, int flags) const {
        return metrics(f).boundingRect(QRectF(0, 0, width, 1e6), flags, text).height();
    }

    void text(const QString& s, double pt, bool bold, double spaceAfter) {
        const QFont f = font(pt, bold);
        const int flags = Qt::AlignLeft | Qt::TextWordWrap;
        const double h = textHeight(f, s, mm(kContentWidth), flags);
        need(h);
        if (painter_ != nullptr) {
            painter_->setFont(f);
            painter_->setPen(Qt::black);
            painter_->drawText(QRectF(left(), y_, mm(kContentWidth), h), flags, s);
        }
        y_ += h + mm(spaceAfter);
    }
    // A heading stays on the page of what follows it.
    void heading(const QString& s, int level, double keepWithNext = 30) {
        const double pt = level == 1 ? 13 : 10;
        need(textHeight(font(pt, true), s, mm(kContentWidth), Qt::TextWordWrap) + mm(keepWithNext));
        if (level == 1) y_ += mm(2);
        text(s, pt, true, level == 1 ? 2.5 : 1.5);
    }
    void paragraph(const QString& s) { text(s, 8, false, 2); }

    void legend(bool overlaps) {
        const QFont f = font(8);
        const double h = mm(5);
        need(h + mm(2));
        struct Entry {
            SpaceUse use;
            const char* text;
        };
        const Entry entries[] = {{SpaceUse::NotUsed, "Not used :"},
                                 {SpaceUse::InUse, "In used :"},
                                 {SpaceUse::AddrOverlap, "Addr. overlap :"},
                                 {SpaceUse::AddrIdOverlap, "Addr. and ID overlap :"}};
        double x = left();
        for (const Entry& e : entries) {
            if (!overlaps && (e.use == SpaceUse::AddrOverlap || e.use == SpaceUse::AddrIdOverlap)) continue;
            const QString label = latin1(e.text);
            const double w = metrics(f).horizontalAdvance(label);
            const QRectF swatch(x + w + mm(1.5), y_ + (h - mm(3)) / 2, mm(4.5), mm(3));
            if (painter_ != nullptr) {
                painter_->setFont(f);
                painter_->setPen(Qt::black);
                painter_->drawText(QRectF(x, y_, w + mm(1), h), Qt::AlignLeft | Qt::AlignVCenter, label);
                painter_->fillRect(swatch, cellColour(e.use));
                painter_->setPen(QPen(Qt::black, mm(0.15)));
                painter_->drawRect(swatch);
            }
            x = swatch.right() + mm(6);
        }
        y_ += h + mm(2);
    }

    // ---- tables -------------------------------------------------------------

    void table(const Table& t) {
        if (t.columns.empty()) return;
        const QFont f = font(t.fontPt);
        const QFont headFont = font(t.fontPt, true);
        const QFontMetricsF fm = metrics(f);
        const double pad = mm(t.fontPt < 7 ? 0.5 : 0.8);
        const double lineH = fm.height() + mm(0.6);

        // A column is at least as wide as the longest word of its heading, and
        // unless its texts wrap, as its widest text: neither is to be cut.
        const QFontMetricsF headMetrics = metrics(headFont);
        std::vector<double> widths;
        for (const Column& c : t.columns) {
            double word = 0;
            for (const QString& w : c.heading.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                word = std::max(word, headMetrics.horizontalAdvance(w));
            }
            widths.push_back(std::max(mm(c.width), word + 2 * pad + mm(0.4)));
        }
        if (!t.wrap) {
            // Cell texts repeat ("H", "L", "master"): each is measured once.
            QHash<QString, double> advance;
            for (const Row& row : t.rows) {
                for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i) {
                    const QString& cell = row[i].text;
                    if (cell.isEmpty()) continue;
                    auto known = advance.constFind(cell);
                    if (known == advance.constEnd()) known = advance.insert(cell, fm.horizontalAdvance(cell));
                    widths[i] = std::max(widths[i], *known + 2 * pad + mm(0.4));
                }
            }
        }
        double panelWidth = 0;
        for (const double w : widths) panelWidth += w;
        // A table wider than the page is narrowed to fit, every column alike.
        if (panelWidth > mm(kContentWidth)) {
            const double scale = mm(kContentWidth) / panelWidth;
            for (double& w : widths) w *= scale;
            panelWidth = mm(kContentWidth);
        }
        double headH = 0;
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            headH = std::max(headH, textHeight(headFont, t.columns[i].heading, widths[i] - 2 * pad,
                                               Qt::TextWordWrap | Qt::AlignHCenter));
        }
        headH += 2 * pad;

        std::vector<double> rowH(t.rows.size(), lineH);
        if (t.wrap) {
            for (std::size_t r = 0; r < t.rows.size(); ++r) {
                for (std::size_t i = 0; i < t.rows[r].size() && i < widths.size(); ++i) {
                    rowH[r] = std::max(
                        rowH[r], textHeight(f, t.rows[r][i].text, widths[i] - 2 * pad, Qt::TextWordWrap) + mm(0.6));
                }
            }
        }

        // As many panels as the page is wide enough for, and none for a few rows alone.
        const double gap = mm(3);
        const auto fitting = static_cast<int>((mm(kContentWidth) + gap) / (panelWidth + gap));
        const auto needed = static_cast<int>((t.rows.size() + kRowsPerPanel - 1) / kRowsPerPanel);
        const int panels = std::max(1, std::min({t.panels, fitting, needed}));
        std::size_t done = 0;
        while (done < t.rows.size()) {
            const double avail = bottom() - y_ - headH;
            if (panels == 1) {
                std::size_t end = done;
                double used = 0;
                while (end < t.rows.size() && used + rowH[end] <= avail) used += rowH[end++];
                // A table starts on a new page rather than with a lone row at the foot of this one.
                const bool tooFew = end == done || (done == 0 && end - done < std::min<std::size_t>(3, t.rows.size()));
                if (tooFew && y_ > mm(kMargin) + 1) {
                    newPage();
                    continue;
                }
                if (end == done) ++end;  // a row taller than a page: let it run over the foot
                drawPanel(t, widths, headH, rowH, done, end, left(), f, headFont, pad);
                y_ += headH;
                for (std::size_t r = done; r < end; ++r) y_ += rowH[r];
                done = end;
            } else {
                const double h = lineH;
                const auto capacity = static_cast<std::size_t>(std::max(0.0, std::floor(avail / h)));
                const std::size_t remaining = t.rows.size() - done;
                if (capacity < std::min<std::size_t>(3, remaining) && y_ > mm(kMargin) + 1) {
                    newPage();
                    continue;
                }
                const std::size_t cap = std::max<std::size_t>(1, capacity);
                const auto count = static_cast<std::size_t>(panels);
                const std::size_t per = remaining <= count * cap ? (remaining + count - 1) / count : cap;
                for (std::size_t p = 0; p < count; ++p) {
                    const std::size_t start = done + p * per;
                    if (start >= t.rows.size()) break;
                    const std::size_t end = std::min(start + per, t.rows.size());
                    drawPanel(t, widths, headH, rowH, start, end, left() + static_cast<double>(p) * (panelWidth + gap),
                              f, headFont, pad);
                }
                y_ += headH + static_cast<double>(per) * h;
                done = std::min(t.rows.size(), done + count * per);
            }
            if (done < t.rows.size()) newPage();
        }
        y_ += mm(3);
    }

    void drawPanel(const Table& t, const std::vector<double>& widths, double headH, const std::vector<double>& rowH,
                   std::size_t from, std::size_t to, double x0, const QFont& f, const QFont& headFont, double pad) {
        if (painter_ == nullptr) return;
        QPainter& p = *painter_;
        const QPen border(QColor(90, 90, 90), mm(0.12));
        double x = x0;
        p.setFont(headFont);
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            const QRectF cell(x, y_, widths[i], headH);
            p.fillRect(cell, kHeaderGrey);
            p.setPen(border);
            p.drawRect(cell);
            p.setPen(Qt::black);
            p.drawText(cell.adjusted(pad, pad, -pad, -pad), Qt::AlignCenter | Qt::TextWordWrap, t.columns[i].heading);
            x += widths[i];
        }
        p.setFont(f);
        const QFontMetricsF fm = metrics(f);
        double y = y_ + headH;
        for (std::size_t r = from; r < to; ++r) {
            x = x0;
            for (std::size_t i = 0; i < t.columns.size(); ++i) {
                const QRectF cell(x, y, widths[i], rowH[r]);
                const Cell empty;
                const Cell& c = i < t.rows[r].size() ? t.rows[r][i] : empty;
                if (c.background != Qt::white) p.fillRect(cell, c.background);
                p.setPen(border);
                p.drawRect(cell);
                if (!c.text.isEmpty()) {
                    p.setPen(Qt::black);
                    const QRectF inner = cell.adjusted(pad, 0, -pad, 0);
                    if (t.wrap) {
                        p.drawText(inner, static_cast<int>(t.columns[i].align | Qt::AlignVCenter) | Qt::TextWordWrap,
                                   c.text);
                    } else {
                        p.drawText(inner, t.columns[i].align | Qt::AlignVCenter,
                                   fm.elidedText(c.text, Qt::ElideRight, inner.width()));
                    }
                }
                x += widths[i];
            }
            y += rowH[r];
        }
    }

    static Row textRow(std::initializer_list<QString> texts) {
        Row row;
        for (const QString& s : texts) row.push_back({s});
        return row;
    }
    static QString num(uint32_t v) { return QString::number(v); }

    // ---- sections -----------------------------------------------------------

    void titleBlock() {
        text(tr("Commissioning report"), 18, true, 1);
        text(tr("Gateway %1").arg(utf8(content_.model)), 12, false, 4);
        Table t;
        t.columns = {{tr("Item"), 45}, {tr("Value"), kContentWidth - 45}};
        t.wrap = true;
        t.fontPt = 9;
        const QString origin =
            content_.originKind == norvik::ReportOrigin::Port ? tr("Gateway on port %1") : tr("Backup file %1");
        t.rows = {textRow({tr("Gateway model"), utf8(content_.model)}),
                  textRow({tr("Read from"), origin.arg(utf8(content_.origin))}),
                  textRow({tr("Date"), utf8(content_.date)}),
                  textRow({tr("Norvik version"), utf8(content_.norvikVersion)}),
                  textRow({tr("Modbus role"), latin1(norvik::modbusRoleText(content_.role))}),
                  textRow({tr("Modules"), QString::number(content_.modules.size())}),
                  textRow({tr("Firmware"), content_.fileCount == 0 && content_.firmware.firmwareName.empty()
                                               ? QString()
                                               : utf8(content_.firmware.firmwareName)}),
                  textRow({tr("Firmware version"), utf8(content_.firmware.version)})};
        table(t);
        paragraph(
            tr("Address numbering: every address in this report is the one the views show, counted from 0. "
               "Modbus addresses are those the protocol carries: coil 0 is the first coil and register 0 the "
               "first register (a master that counts from 1 calls them 1, or 00001, 10001, 30001 and 40001). "
               "PROFIBUS addresses are data bytes from byte 0; device areas count bytes (DO, DI) or words "
               "(AO, AI) from 0."));
    }

    void parameterList() {
        heading(tr("Parameter list"), 1);
        heading(utf8(content_.model), 2);
        Table gateway;
        gateway.columns = {{tr("Item"), 70}, {tr("Value"), 70}};
        for (const norvik::ParameterRow& r : content_.gatewayRows)
            gateway.rows.push_back(textRow({utf8(r.label), utf8(r.value)}));
        table(gateway);

        heading(tr("Modules"), 2);
        Table modules;
        modules.fontPt = 6.5;
        modules.wrap = true;
        const double first = 14;
        const double each = (kContentWidth - first) / static_cast<double>(norvik::kModuleRows);
        modules.columns.push_back({tr("Module"), first, Qt::AlignRight});
        for (const char* label : norvik::moduleRowLabels)
            modules.columns.push_back({latin1(label), each, Qt::AlignRight});
        for (const auto& [k, rows] : content_.moduleRows) {
            Row row(modules.columns.size());
            row[0].text = QString::number(k);
            for (const norvik::ParameterRow& r : rows) {
                std::size_t column = 0;
                if (r.label == norvik::kSystemModuleIdLabel) column = 1;
                else if (r.label == norvik::kSystemModuleTypeLabel) column = 2;
                for (std::size_t i = 0; i < norvik::kModuleRows && column == 0; ++i) {
                    if (r.label == norvik::moduleRowLabels[i]) column = i + 1;
                }
                if (column != 0) row[column].text = utf8(r.value);
            }
            modules.rows.push_back(std::move(row));
        }
        table(modules);
    }

    void moduleTable() {
        heading(tr("Module table"), 1);
        Table t;
        t.columns = {{tr("Module"), 18, Qt::AlignRight},
                     {tr("Type"), 32},
                     {tr("Modbus role"), 26},
                     {tr("Device ID"), 22, Qt::AlignRight},
                     {tr("Input bytes (PROFIBUS)"), 34, Qt::AlignRight},
                     {tr("Output bytes (PROFIBUS)"), 34, Qt::AlignRight}};
        for (const norvik::ReportModule& m : content_.modules) {
            t.rows.push_back(
                textRow({QString::number(m.number), utf8(m.typeName), latin1(norvik::modbusRoleText(content_.role)),
                         m.system ? latin1(norvik::kSystemModuleIdValue) : QString::number(m.deviceId),
                         num(m.inputBytes), num(m.outputBytes)}));
        }
        table(t);
    }

    void rangeTables() {
        heading(tr("Address map"), 1);
        heading(tr("Modbus"), 2);
        Table modbus;
        // The addresses as the protocol carries them, and beside them the
        // register numbers a master that counts from 1 shows.
        modbus.columns = {{tr("Module"), 16, Qt::AlignRight},
                          {tr("Type"), 28},
                          {tr("Role"), 14},
                          {tr("Area"), 30},
                          {tr("View"), 12},
                          {tr("First"), 14, Qt::AlignRight},
                          {tr("Last"), 14, Qt::AlignRight},
                          {tr("Count"), 14, Qt::AlignRight},
                          {tr("First register"), 22, Qt::AlignRight},
                          {tr("Last register"), 22, Qt::AlignRight}};
        const QString role =
            content_.role == norvik::ModbusRole::Master ? QStringLiteral("master") : QStringLiteral("slave");
        for (const norvik::ModbusRange& r : content_.modbus) {
            modbus.rows.push_back(textRow({QString::number(r.module), utf8(r.typeName), role,
                                           latin1(norvik::modbusAreaKey(norvik::modbusAreaOf(r.kind))),
                                           latin1(norvik::modbusKindName(r.kind)), num(r.first), num(r.last),
                                           num(r.count), latin1(norvik::modbusRegisterText(r.kind, r.first).c_str()),
                                           latin1(norvik::modbusRegisterText(r.kind, r.last).c_str())}));
        }
        if (modbus.rows.empty()) paragraph(tr("No module uses a Modbus address."));
        else table(modbus);

        heading(tr("PROFIBUS"), 2);
        Table profibus;
        profibus.columns = {{tr("Module"), 16, Qt::AlignRight},
                            {tr("Type"), 28},
                            {tr("Data"), 40},
                            {tr("First byte"), 22, Qt::AlignRight},
                            {tr("Last byte"), 22, Qt::AlignRight},
                            {tr("Count"), 18, Qt::AlignRight}};
        for (const norvik::ProfibusRange& r : content_.profibus) {
            profibus.rows.push_back(
                textRow({QString::number(r.module), utf8(r.typeName), latin1(norvik::profibusTableTitle(r.table)),
                         num(r.first), num(r.last), num(r.count)}));
        }
        if (profibus.rows.empty()) paragraph(tr("No module uses PROFIBUS data."));
        else table(profibus);

        heading(tr("Device"), 2);
        Table device;
        device.columns = {{tr("Module"), 16, Qt::AlignRight},
                          {tr("Type"), 28},
                          {tr("Area"), 16},
                          {tr("Unit"), 16},
                          {tr("First"), 18, Qt::AlignRight},
                          {tr("Last"), 18, Qt::AlignRight},
                          {tr("Count"), 18, Qt::AlignRight}};
        for (const norvik::DeviceRange& r : content_.device) {
            const bool digital = norvik::isDigitalArea(r.area);
            device.rows.push_back(
                textRow({QString::number(r.module), utf8(r.typeName), latin1(norvik::deviceAreaName(r.area)),
                         digital ? tr("byte") : tr("word"), num(r.first), num(r.last), num(r.count)}));
        }
        if (device.rows.empty()) paragraph(tr("No module uses the device's data areas."));
        else table(device);

        for (const norvik::HiddenAddresses& h : content_.hidden) {
            switch (h.space) {
            case norvik::ReportSpace::Modbus:
                paragraph(tr("Module %1: %n Modbus address(es) above 1023, which the Modbus view does not show.",
                             nullptr, static_cast<int>(h.count))
                              .arg(h.module));
                break;
            case norvik::ReportSpace::Profibus:
                paragraph(tr("Module %1: %n PROFIBUS byte(s) from byte 244 on, which the PROFIBUS view does not show.",
                             nullptr, static_cast<int>(h.count))
                              .arg(h.module));
                break;
            case norvik::ReportSpace::Device:
                paragraph(
                    tr("Module %1: %n row(s) past the end of its device area, which the device view does not show.",
                       nullptr, static_cast<int>(h.count))
                        .arg(h.module));
                break;
            }
        }
    }

    // One of the views' grids: the row labels and headings the view gives it,
    // its cells coloured as the view colours them. Rows after the last one in
    // use are left out.
    void spaceGrid(const QString& title, int dataColumns, const std::function<std::string(int)>& rowLabel,
                   const std::function<std::string(int)>& headerText, const std::vector<SpaceUse>& cells,
                   double labelWidth, double cellWidth, int panels) {
        const auto used = std::find_if(cells.rbegin(), cells.rend(), [](SpaceUse u) { return u != SpaceUse::NotUsed; });
        heading(title, 2, 20);
        if (used == cells.rend()) {
            paragraph(tr("No module uses this space."));
            return;
        }
        const auto lastCell = static_cast<std::size_t>(cells.rend() - used - 1);
        const std::size_t rows = lastCell / static_cast<std::size_t>(dataColumns) + 1;
        const std::size_t allRows = cells.size() / static_cast<std::size_t>(dataColumns);
        Table t;
        t.fontPt = 6;
        t.panels = panels;
        t.columns.push_back({utf8(headerText(0)), labelWidth, Qt::AlignRight});
        for (int c = 1; c <= dataColumns; ++c) t.columns.push_back({utf8(headerText(c)), cellWidth, Qt::AlignCenter});
        for (std::size_t r = 0; r < rows; ++r) {
            Row row{{utf8(rowLabel(static_cast<int>(r) + 1)), kHeaderGrey}};
            for (std::size_t c = 0; c < static_cast<std::size_t>(dataColumns); ++c) {
                row.push_back({QString(), cellColour(cells[r * static_cast<std::size_t>(dataColumns) + c])});
            }
            t.rows.push_back(std::move(row));
        }
        table(t);
        if (rows < allRows) {
            y_ -= mm(2);
            paragraph(tr("The rows after %1 are not in use.").arg(utf8(rowLabel(static_cast<int>(rows)))));
        }
    }

    void drawnSpaces() {
        heading(tr("Space configuration in device"), 1);
        legend(false);
        for (DeviceArea area : {DeviceArea::DO, DeviceArea::DI, DeviceArea::AO, DeviceArea::AI}) {
            spaceGrid(
                latin1(norvik::deviceAreaName(area)), 1, [area](int row) { return norvik::deviceRowLabel(area, row); },
                [](int column) { return std::string(column == 0 ? "Addr." : "Configure"); },
                content_.maps.device[static_cast<std::size_t>(area)], 12, 12, 7);
        }

        heading(tr("Space configuration in profibus"), 1);
        legend(false);
        for (ProfibusTable table : {ProfibusTable::Output, ProfibusTable::Input}) {
            spaceGrid(
                latin1(norvik::profibusTableTitle(table)), 1, [](int row) { return norvik::profibusRowLabel(row); },
                [](int column) { return std::string(column == 0 ? "Address" : "Configure"); },
                content_.maps.profibus[static_cast<std::size_t>(table)], 12, 12, 7);
        }

        heading(tr("Space configuration in modbus"), 1);
        legend(true);
        std::vector<ModbusKind> kinds{ModbusKind::DO, ModbusKind::DI, ModbusKind::AO, ModbusKind::AI};
        // A slave has no read-back spaces: the view keeps their button off.
        if (content_.role == norvik::ModbusRole::Master) {
            kinds.push_back(ModbusKind::RDO);
            kinds.push_back(ModbusKind::RAO);
        }
        for (ModbusKind kind : kinds) {
            const bool bits = norvik::isBitKind(kind);
            spaceGrid(
                latin1(norvik::modbusKindName(kind)), bits ? 8 : 1,
                [kind](int row) { return norvik::modbusRowLabel(kind, row); },
                [kind](int column) { return norvik::modbusHeaderText(kind, column); },
                content_.maps.modbus[static_cast<std::size_t>(kind)], bits ? 15 : 10, bits ? 3.6 : 12, bits ? 4 : 8);
        }
    }

    void firmwareFiles() {
        heading(tr("Firmware files"), 1);
        Table info;
        info.columns = {{tr("Item"), 45}, {tr("Value"), 80}};
        info.rows = {textRow({tr("Firmware name :"), utf8(content_.firmware.firmwareName)}),
                     textRow({tr("Version :"), utf8(content_.firmware.version)}),
                     textRow({tr("File count :"), QString::number(content_.fileCount)})};
        table(info);
        if (content_.fileNames.empty()) return;
        Table files;
        files.columns = {{tr("Slot"), 16, Qt::AlignRight}, {tr("File name"), 60}};
        for (std::size_t i = 0; i < content_.fileNames.size(); ++i) {
            files.rows.push_back(textRow({QString::number(i + 1), utf8(content_.fileNames[i])}));
        }
        table(files);
    }

    void safeValues() {
        heading(tr("Safe values"), 1);
        if (!content_.safeValues) {
            paragraph(content_.safeValueLayout ? tr("The safe-value block was too short to be read.")
                                               : tr("The safe values were not read."));
            return;
        }
        paragraph(tr("Block of %1 bytes, shown as the Safe Value Setting dialog shows it.")
                      .arg(norvik::safeValueBlockBytes(*content_.safeValueLayout)));
        const norvik::SafeValueTable& values = *content_.safeValues;
        for (const auto& [name, bits] : {std::pair{"DO", &values.do_}, std::pair{"DI", &values.di}}) {
            Table t;
            t.fontPt = 6.5;
            t.panels = 4;
            t.columns.push_back({QStringLiteral("Address"), 15, Qt::AlignRight});
            for (int i = 0; i < 8; ++i) t.columns.push_back({QStringLiteral("bit %1").arg(i), 3.6, Qt::AlignCenter});
            for (std::size_t byte = 0; byte < bits->size() / 8; ++byte) {
                Row row{{QStringLiteral("%1~%2").arg(8 * byte).arg(8 * byte + 7), kHeaderGrey}};
                for (std::size_t i = 0; i < 8; ++i) row.push_back({latin1(norvik::safeBitText((*bits)[8 * byte + i]))});
                t.rows.push_back(std::move(row));
            }
            heading(latin1(name), 2);
            table(t);
        }
        for (const auto& [name, words] : {std::pair{"AO", &values.ao}, std::pair{"AI", &values.ai}}) {
            Table t;
            t.fontPt = 6.5;
            t.panels = 7;
            t.columns = {{QStringLiteral("Address"), 10, Qt::AlignRight},
                         {QStringLiteral("Configure(Hex)"), 13, Qt::AlignCenter}};
            for (std::size_t w = 0; w < words->size(); ++w) {
                t.rows.push_back({{QString::number(w), kHeaderGrey}, {utf8(norvik::safeWordText((*words)[w]))}});
            }
            heading(latin1(name), 2);
            table(t);
        }
    }

    void ipSetting() {
        if (content_.model != norvik::kModelHx3420) return;
        heading(tr("IP setting"), 1);
        if (!content_.ipSetting) {
            paragraph(tr("The IP setting was not read."));
            return;
        }
        const norvik::IpSettingRecord& ip = *content_.ipSetting;
        const auto dotted = [](const norvik::Ipv4& a) {
            return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
        };
        heading(QStringLiteral("Local IP Setting"), 2);
        Table local;
        local.columns = {{tr("Item"), 30}, {tr("Address"), 40}};
        local.rows = {textRow({QStringLiteral("I P :"), dotted(ip.localIp)}),
                      textRow({QStringLiteral("MASK :"), dotted(ip.subnetMask)}),
                      textRow({QStringLiteral("GATEWAY :"), dotted(ip.gateway)})};
        table(local);
        heading(QStringLiteral("Remote IP Setting"), 2);
        Table remote;
        remote.columns = {{tr("Item"), 30},
                          {tr("Address"), 40},
                          {QStringLiteral("Time out value (ms) :"), 40, Qt::AlignRight},
                          {QStringLiteral("ReConnect time (ms) :"), 40, Qt::AlignRight}};
        for (std::size_t i = 0; i < ip.remotes.size(); ++i) {
            const norvik::RemoteIpEntry& r = ip.remotes[i];
            remote.rows.push_back(textRow({QStringLiteral("I P (%1) :").arg(i + 1), dotted(r.address),
                                           num(r.timeoutValueMs & 0xFFFFu), num(r.reconnectTimeMs & 0xFFFFu)}));
        }
        table(remote);
    }

    const ReportContent& content_;
    QPdfWriter& writer_;
    QPainter* painter_;
    int pageCount_;
    int page_ = 1;
    double y_ = 0;
};

void setUp(QPdfWriter& writer, const ReportContent& content) {
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer.setTitle(QCoreApplication::translate("ReportPdf", "Commissioning report, %1").arg(utf8(content.model)));
    writer.setCreator(QStringLiteral("Norvik %1").arg(utf8(content.norvikVersion)));
}

}  // namespace

QByteArray reportPdf(const ReportContent& content) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    setUp(writer, content);
    const int pages = ReportLayout(content, writer, nullptr, 0).run();
    {
        QPainter painter(&writer);
        ReportLayout(content, writer, &painter, pages).run();
    }
    buffer.close();
    return bytes;
}

bool writeReportPdf(const QString& path, const ReportContent& content) {
    const QByteArray bytes = reportPdf(content);
    if (bytes.isEmpty()) return false;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    return norvik::writeFileAtomically(QFile::encodeName(path).toStdString(),
                                       std::span<const uint8_t>(data, static_cast<std::size_t>(bytes.size())));
}

void stampReportSource(norvik::ReportSource& source) {
    if (source.date.empty()) {
        source.date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    }
    if (source.norvikVersion.empty()) source.norvikVersion = NORVIK_VERSION;
}
