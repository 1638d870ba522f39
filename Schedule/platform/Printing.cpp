#include "platform/Printing.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

#include "platform/Err.h"
#include "platform/GuiApp.h"
#include "platform/Grid.h"
#include "platform/Text.h"

namespace platform {

namespace {
constexpr long errPrinter = 482;

std::optional<std::string>& CurrentPrinterName() {
  static std::optional<std::string> name;
  return name;
}
}  // namespace

std::vector<PrinterInfo> Printers() {
  EnsureGuiApplication();
  std::vector<PrinterInfo> printers;
  for (const QString& name : QPrinterInfo::availablePrinterNames()) printers.push_back({name.toStdString()});
  return printers;
}

std::string CurrentPrinter() {
  if (!CurrentPrinterName()) {
    EnsureGuiApplication();
    CurrentPrinterName() = QPrinterInfo::defaultPrinterName().toStdString();
  }
  return *CurrentPrinterName();
}

void SetCurrentPrinter(const std::string& deviceName) { CurrentPrinterName() = deviceName; }

void SelectJobPrinter(const std::string& jobPrinterName) {
  for (const PrinterInfo& printer : Printers())
    if (jobPrinterName == UCase(printer.DeviceName)) SetCurrentPrinter(printer.DeviceName);
}

void ReportPrinter::AddTitleLine(const std::string& text, long lineOption, const std::string& fontName,
                                 short fontSize) {
  title_ = Line{text, lineOption, fontName, fontSize, true};
}

void ReportPrinter::AddHeadingLine(const std::string& text, long lineOption, const std::string& fontName,
                                   short fontSize) {
  heading_ = Line{text, lineOption, fontName, fontSize, false};
}

void ReportPrinter::AddDateLine(const std::string& text, long lineOption, const std::string& fontName,
                                short fontSize) {
  date_ = Line{text, lineOption, fontName, fontSize, false};
}

void ReportPrinter::SetPrintOption(bool option) { printOption_ = option; }

void ReportPrinter::SetReportGrid(const Grid& grid) { grid_ = &grid; }

namespace {

QFont LineFont(const std::string& family, short pointSize, bool bold) {
  QFont font(QString::fromStdString(family.empty() ? std::string("Times New Roman") : family));
  font.setPointSize(pointSize > 0 ? pointSize : 12);
  font.setBold(bold);
  return font;
}

Qt::Alignment LineAlignment(long option) {
  switch (option) {
    case 1: return Qt::AlignHCenter;
    case 3: return Qt::AlignRight;
    default: return Qt::AlignLeft;
  }
}

// Lays the grid out on pages and paints it. Sizes are in the printer's device pixels.
class TablePainter {
 public:
  TablePainter(QPrinter& printer, QPainter& painter, const Grid& grid, bool borders)
      : printer_(printer), painter_(painter), grid_(grid), borders_(borders) {
    // A plain sans face keeps wide tables readable; the report lines keep the caller's font.
    const std::string family = "Arial";
    plain_ = LineFont(family, 9, false);
    bold_ = LineFont(family, 9, true);
    QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    pageWidth_ = page.width();
    footerFont_ = LineFont(family, 8, false);
    footerHeight_ = QFontMetricsF(footerFont_, &printer).height() * 2;
    pageHeight_ = page.height() - footerHeight_;
    pad_ = QFontMetricsF(plain_, &printer).averageCharWidth() / 2;
  }

  double PageHeight() const { return pageHeight_; }
  double PageWidth() const { return pageWidth_; }

  void Measure() {
    long cols = grid_.Cols();
    QFontMetricsF plain(plain_, &printer_), bold(bold_, &printer_);
    widths_.assign(static_cast<size_t>(cols), 0.0);
    double widest = pageWidth_ * 0.45;
    double narrowest = plain.averageCharWidth() * 3 + 2 * pad_;
    for (long c = 0; c < cols; ++c) {
      double w = narrowest;
      for (long r = 0; r < grid_.Rows(); ++r) {
        const QFontMetricsF& m = grid_.CellFontBoldAt(r, c) ? bold : plain;
        w = std::max(w, m.horizontalAdvance(QString::fromStdString(grid_.TextMatrix(r, c))) + 2 * pad_ + 1);
      }
      widths_[static_cast<size_t>(c)] = std::min(w, widest);
    }
    double total = 0;
    for (double w : widths_) total += w;
    // A table wider than the page is narrowed to fit; its cells wrap their text.
    if (total > pageWidth_)
      for (double& w : widths_) w *= pageWidth_ / total;
  }

  double RowHeight(long row) const {
    QFontMetricsF plain(plain_, &printer_), bold(bold_, &printer_);
    double height = plain.height();
    for (long c = 0; c < grid_.Cols(); ++c) {
      const QFontMetricsF& m = grid_.CellFontBoldAt(row, c) ? bold : plain;
      QRectF room(0, 0, widths_[static_cast<size_t>(c)] - 2 * pad_, 1e9);
      QRectF used = m.boundingRect(room, kCellFlags, QString::fromStdString(grid_.TextMatrix(row, c)));
      height = std::max(height, used.height());
    }
    return std::min(height + 2 * pad_, pageHeight_);
  }

  void PaintRow(long row, double y, double height) {
    double x = 0;
    for (long c = 0; c < grid_.Cols(); ++c) {
      QRectF cell(x, y, widths_[static_cast<size_t>(c)], height);
      if (row == 0) painter_.fillRect(cell, QColor(0xe8, 0xe8, 0xe8));
      if (borders_) {
        painter_.setPen(QPen(Qt::black, 0));
        painter_.drawRect(cell);
      }
      painter_.setFont(grid_.CellFontBoldAt(row, c) ? bold_ : plain_);
      painter_.setPen(Qt::black);
      painter_.drawText(cell.adjusted(pad_, pad_, -pad_, -pad_), kCellFlags,
                        QString::fromStdString(grid_.TextMatrix(row, c)));
      x += cell.width();
    }
  }

  void PaintFooter(int page) {
    painter_.setFont(footerFont_);
    painter_.setPen(Qt::black);
    QRectF footer(0, pageHeight_, pageWidth_, footerHeight_);
    painter_.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Page %1").arg(page));
  }

 private:
  static constexpr int kCellFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
  QPrinter& printer_;
  QPainter& painter_;
  const Grid& grid_;
  bool borders_;
  QFont plain_, bold_, footerFont_;
  double pageWidth_ = 0, pageHeight_ = 0, footerHeight_ = 0, pad_ = 0;
  std::vector<double> widths_;
};

}  // namespace

void ReportPrinter::PrintReport() {
  pagesPrinted_ = 0;
  if (grid_ == nullptr) Raise(errObjectNotSet);
  std::string name = CurrentPrinter();
  QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(name));
  if (name.empty() || info.isNull()) Raise(errPrinter, "Printer error: no printer named '" + name + "'");

  QPrinter printer(info, QPrinter::HighResolution);
  printer.setDocName(QString::fromStdString(title_ ? title_->text : std::string("QUORVASchedule report")));
  printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  QPainter painter;
  if (!painter.begin(&printer)) Raise(errPrinter, "Printer error: the printer '" + name + "' cannot print");

  TablePainter table(printer, painter, *grid_, printOption_);
  int page = 1;
  double y = 0;

  for (const std::optional<Line>* line : {&title_, &heading_, &date_}) {
    if (!*line) continue;
    QFont font = LineFont((*line)->fontName, (*line)->fontSize, (*line)->bold);
    painter.setFont(font);
    painter.setPen(Qt::black);
    double height = QFontMetricsF(font, &printer).height();
    painter.drawText(QRectF(0, y, table.PageWidth(), height), LineAlignment((*line)->option) | Qt::AlignVCenter,
                     QString::fromStdString((*line)->text));
    y += height * 1.2;
  }
  y += QFontMetricsF(LineFont("", 12, false), &printer).height() * 0.5;

  table.Measure();
  double headingHeight = grid_->Rows() > 0 ? table.RowHeight(0) : 0;
  for (long row = 0; row < grid_->Rows(); ++row) {
    double height = row == 0 ? headingHeight : table.RowHeight(row);
    if (y + height > table.PageHeight() && y > 0) {
      table.PaintFooter(page);
      if (!printer.newPage()) Raise(errPrinter, "Printer error: a new page could not be started");
      ++page;
      y = 0;
      // Every page starts with the column headings.
      if (row > 0) {
        table.PaintRow(0, y, headingHeight);
        y += headingHeight;
      }
    }
    table.PaintRow(row, y, height);
    y += height;
  }
  table.PaintFooter(page);
  if (!painter.end() || printer.printerState() == QPrinter::Error)
    Raise(errPrinter, "Printer error: the report could not be sent to '" + name + "'");
  pagesPrinted_ = page;
}

}  // namespace platform
