#pragma once
// "Export Report": the user picks PDF, CSV tables in a folder, or the Modbus
// map alone as one CSV file; the path is asked through the prompts, and the
// outcome is told in a box.

#include <QDialog>

#include "link/link_session.h"
#include "link/user_prompts.h"
#include "report/report_source.h"

class QRadioButton;

class ReportExportDialog : public QDialog {
    Q_OBJECT
public:
    enum class Format { Pdf, CsvFolder, ModbusMapCsv };

    // Stamps the source with the date and Norvik's version where it has none.
    ReportExportDialog(norvik::ReportSource source, norvik::UserPrompts& prompts, QWidget* parent = nullptr);

    Format format() const;
    void setFormat(Format format);

    // Asks for the path, writes, and tells the outcome; false when the user
    // cancelled the path or the report could not be written.
    bool exportReport();

signals:
    void reportWritten(const QString& path);

protected:
    // Export closes the dialog only once the report is written.
    void accept() override;

private:
    norvik::ReportSource source_;
    norvik::UserPrompts& prompts_;
    QRadioButton* pdf_;
    QRadioButton* csvFolder_;
    QRadioButton* modbusMap_;
};

// What "Gateway > Export Report…" runs: the dialog, modal over `parent`.
void exportGatewayReport(QWidget* parent, norvik::ReportSource source, norvik::UserPrompts& prompts);

// The report's source from a live link: the configuration, the file names the
// link holds, the safe-value block the link last moved when it is whole for the
// layout in force, the IP setting when one was read, and the port's device.
norvik::ReportSource reportSourceFromLink(const norvik::GatewayConfig& config, const norvik::LinkSession& link,
                                          const norvik::IpSettingRecord* ipSetting, const std::string& portDevice);
