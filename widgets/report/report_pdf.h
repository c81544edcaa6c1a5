#pragma once
// The commissioning report as an A4 PDF made by Qt's own PDF writer: a title
// block, the tables (headings repeated on every page a table runs over), the
// three address spaces drawn as the views draw them, and page numbers.

#include <QByteArray>
#include <QString>

#include "report/report_content.h"
#include "report/report_source.h"

// The whole document, made in memory. Needs a QGuiApplication (for the fonts).
QByteArray reportPdf(const norvik::ReportContent& content);

// Writes the document whole or not at all; false when the file cannot be written.
bool writeReportPdf(const QString& path, const norvik::ReportContent& content);

// Fills in the date (now, local time) and Norvik's version where the source
// leaves them empty.
void stampReportSource(norvik::ReportSource& source);
