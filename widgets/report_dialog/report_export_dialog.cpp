#include "report_dialog/report_export_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "link/console_texts.h"
#include "report/report_content.h"
#include "report/report_csv.h"
#include "report/report_pdf.h"

namespace {

std::string text(const QString& s) { return s.toStdString(); }

}  // namespace

ReportExportDialog::ReportExportDialog(norvik::ReportSource source, norvik::UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), source_(std::move(source)), prompts_(prompts) {
    stampReportSource(source_);
    setWindowTitle(tr("Export Report"));

    auto* formats = new QGroupBox(tr("Write the report as"), this);
    pdf_ = new QRadioButton(tr("PDF document (A4)"), formats);
    csvFolder_ = new QRadioButton(tr("CSV tables, one file per table, in a folder"), formats);
    modbusMap_ = new QRadioButton(tr("The Modbus map alone, as one CSV file"), formats);
    pdf_->setChecked(true);
    auto* formatLayout = new QVBoxLayout(formats);
    formatLayout->addWidget(pdf_);
    formatLayout->addWidget(csvFolder_);
    formatLayout->addWidget(modbusMap_);

    auto* about =
        new QLabel(tr("Gateway %1, read from %2.")
                       .arg(QString::fromStdString(source_.config.modelName), QString::fromStdString(source_.origin)),
                   this);
    about->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->addButton(tr("Export…"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ReportExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ReportExportDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addWidget(formats);
    layout->addWidget(buttons);
}

ReportExportDialog::Format ReportExportDialog::format() const {
    if (csvFolder_->isChecked()) return Format::CsvFolder;
    if (modbusMap_->isChecked()) return Format::ModbusMapCsv;
    return Format::Pdf;
}

void ReportExportDialog::setFormat(Format format) {
    (format == Format::CsvFolder ? csvFolder_ : format == Format::ModbusMapCsv ? modbusMap_ : pdf_)->setChecked(true);
}

bool ReportExportDialog::exportReport() {
    const QString stem = tr("norvik-report-%1").arg(QString::fromStdString(source_.config.modelName));
    std::optional<std::string> path;
    switch (format()) {
    case Format::Pdf: path = prompts_.saveFileName({text(tr("PDF document (*.pdf)")), text(stem), "pdf"}); break;
    case Format::CsvFolder: path = prompts_.folderName({text(tr("Folder")), text(stem), ""}); break;
    case Format::ModbusMapCsv:
        path = prompts_.saveFileName({text(tr("CSV file (*.csv)")), text(tr("modbus_map")), "csv"});
        break;
    }
    if (!path || path->empty()) return false;

    const norvik::ReportContent content = norvik::buildReportContent(source_);
    bool written = false;
    QString failed = QString::fromStdString(*path);
    switch (format()) {
    case Format::Pdf: written = writeReportPdf(QString::fromStdString(*path), content); break;
    case Format::CsvFolder: {
        const norvik::CsvWriteOutcome outcome = norvik::writeReportCsvFolder(*path, content);
        written = outcome.ok;
        if (!outcome.ok) failed = QString::fromStdString(outcome.failedPath);
        break;
    }
    case Format::ModbusMapCsv: written = norvik::writeModbusMapCsv(*path, content).ok; break;
    }
    const QString shown = QString::fromStdString(*path);
    prompts_.showMessage(norvik::console::kTitleMessage,
                         text(written ? tr("The report was written to %1.").arg(shown)
                                      : tr("Error ! The report could not be written to %1.").arg(failed)));
    if (written) emit reportWritten(shown);
    return written;
}

void ReportExportDialog::accept() {
    if (exportReport()) QDialog::accept();
}

void exportGatewayReport(QWidget* parent, norvik::ReportSource source, norvik::UserPrompts& prompts) {
    ReportExportDialog dialog(std::move(source), prompts, parent);
    dialog.exec();
}

norvik::ReportSource reportSourceFromLink(const norvik::GatewayConfig& config, const norvik::LinkSession& link,
                                          const norvik::IpSettingRecord* ipSetting, const std::string& portDevice) {
    norvik::ReportSource source;
    source.config = config;
    source.fileNames = link.firmwareFileNames;
    source.fileCount = link.fileCount;
    // A block of another size is a transfer cut short or one made under the other layout.
    if (link.safeValueBytes.size() == norvik::safeValueBlockBytes(link.safeValueLayout)) {
        source.safeValues = norvik::ReportSafeValues{link.safeValueLayout, link.safeValueBytes};
    }
    if (ipSetting != nullptr) source.ipSetting = *ipSetting;
    source.originKind = norvik::ReportOrigin::Port;
    source.origin = portDevice;
    return source;
}
