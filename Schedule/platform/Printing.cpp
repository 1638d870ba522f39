#include "platform/Printing.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

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

// A plain sans face keeps wide tables readable; the report lines keep the caller's font. A table
// too wide for the page turns the page to landscape, then takes smaller type down to the floor,
// and past that puts its columns on pages of their own: a word is never cut.
constexpr double kTablePoints = 9;
constexpr double kFloorPoints = 6;

QFont TableFont(double points, bool bold) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

// Calls take(word, width, startsLine) for each word of a cell's text, in order: words part at
// blanks, lines at line feeds. An empty line is one empty word.
template <class Take>
void ForEachWord(const QString& text, const QFontMetricsF& metrics, Take take) {
  for (const QString& line : text.split(u'\n')) {
    bool first = true;
    for (const QString& word : line.split(u' ', Qt::SkipEmptyParts)) {
      take(word, metrics.horizontalAdvance(word), first);
      first = false;
    }
    if (first) take(QString(), 0.0, true);
  }
}

// The table laid out for the printer and printed page after page. Sizes are in the printer's
// device pixels.
class Table {
 public:
  // Lays the table out; turns the printer's page to landscape when the table needs it, so it is
  // made before printing starts.
  Table(QPrinter& printer, const Grid& grid, bool borders) : printer_(printer), grid_(grid), borders_(borders) {
    footerFont_ = TableFont(8, false);
    SetType(kTablePoints);
    std::vector<Need> needs = Needs();
    if (Least(needs) > PageWidth()) {
      printer.setPageOrientation(QPageLayout::Landscape);
      // Widths follow the type size only roughly, so each smaller size is measured again.
      for (double points = kTablePoints; Least(needs) > PageWidth() && points > kFloorPoints;) {
        points = std::max(kFloorPoints, std::floor(points * PageWidth() / Least(needs) * 2) / 2);
        SetType(points);
        needs = Needs();
      }
    }
    MakeBands(needs);
  }

  double PageWidth() const { return printer_.pageLayout().paintRectPixels(printer_.resolution()).width(); }

  // Prints the table's bands from `top` of the current page on, each band from a new page, the
  // headings on top of every page; returns the number of the last page.
  int Print(QPainter& painter, double top) {
    const double pageHeight = printer_.pageLayout().paintRectPixels(printer_.resolution()).height() - FooterHeight();
    int page = 1;
    double y = top;
    for (size_t b = 0; b < bands_.size(); ++b) {
      const Band& band = bands_[b];
      if (b > 0) NextPage(painter, page, y, pageHeight);
      const Laid heading = grid_.Rows() > 0 ? Lay(0, band, pageHeight) : Laid{};
      for (long row = 0; row < grid_.Rows(); ++row) {
        const Laid laid = row == 0 ? heading : Lay(row, band, pageHeight);
        if (y + laid.height > pageHeight && y > 0) {
          NextPage(painter, page, y, pageHeight);
          if (row > 0) {
            Paint(painter, heading, 0, band, y);
            y += heading.height;
          }
        }
        Paint(painter, laid, row, band, y);
        y += laid.height;
      }
    }
    PaintFooter(painter, page, pageHeight);
    return page;
  }

 private:
  // What a column needs: room for its widest word, and the room past which it has no use.
  struct Need {
    double word = 0, line = 0;
  };
  // Columns printed side by side, with their widths.
  struct Band {
    std::vector<long> columns;
    std::vector<double> widths;
  };
  // A row of a band as it is printed: each cell's lines, and the row's height.
  struct Laid {
    std::vector<QStringList> cells;
    double height = 0;
  };

  void SetType(double points) {
    plain_ = TableFont(points, false);
    bold_ = TableFont(points, true);
    QFontMetricsF metrics(plain_, &printer_);
    pad_ = metrics.averageCharWidth() / 2;
    space_ = metrics.horizontalAdvance(u' ');
    lineSpacing_ = metrics.lineSpacing();
  }

  const QFont& FontAt(long row, long col) const { return grid_.CellFontBoldAt(row, col) ? bold_ : plain_; }
  QString TextAt(long row, long col) const { return QString::fromStdString(grid_.TextMatrix(row, col)); }
  double FooterHeight() const { return QFontMetricsF(footerFont_, &printer_).height() * 2; }
  // Room around a cell's text: the padding on both sides and a little for rounding in the device.
  double Margin() const { return 2 * pad_ + pad_ / 4; }

  std::vector<Need> Needs() const {
    std::vector<Need> needs(static_cast<size_t>(grid_.Cols()));
    QFontMetricsF plain(plain_, &printer_), bold(bold_, &printer_);
    for (long row = 0; row < grid_.Rows(); ++row)
      for (long col = 0; col < grid_.Cols(); ++col) {
        Need& need = needs[static_cast<size_t>(col)];
        double line = 0;
        ForEachWord(TextAt(row, col), grid_.CellFontBoldAt(row, col) ? bold : plain,
                    [&](const QString&, double width, bool startsLine) {
                      line = startsLine ? width : line + space_ + width;
                      need.word = std::max(need.word, width);
                      need.line = std::max(need.line, line);
                    });
      }
    for (Need& need : needs) {
      need.word += Margin();
      need.line += Margin();
    }
    return needs;
  }

  static double Least(const std::vector<Need>& needs) {
    double sum = 0;
    for (const Need& need : needs) sum += need.word;
    return sum;
  }

  // Bands of columns as wide as the page takes, each band after the first led by the first column
  // again, which names the rows. A table that fits is one band.
  void MakeBands(const std::vector<Need>& needs) {
    const double room = PageWidth();
    std::vector<long> columns;
    double used = 0;
    int own = 0;
    for (long col = 0; col < static_cast<long>(needs.size()); ++col) {
      const double word = needs[static_cast<size_t>(col)].word;
      if (own > 0 && used + word > room) {
        bands_.push_back(Fit(columns, needs, room));
        columns.clear();
        used = 0;
        own = 0;
        if (needs[0].word + word <= room) {
          columns.push_back(0);
          used = needs[0].word;
        }
      }
      columns.push_back(col);
      used += word;
      ++own;
    }
    bands_.push_back(Fit(columns, needs, room));
  }

  // The band's widths: every column its longest line when they all fit, else its widest word and a
  // share of the room left by how much more its lines would take. Only a lone column with a word
  // wider than the page is narrower than the word.
  static Band Fit(const std::vector<long>& columns, const std::vector<Need>& needs, double room) {
    double least = 0, most = 0;
    for (long col : columns) {
      least += needs[static_cast<size_t>(col)].word;
      most += needs[static_cast<size_t>(col)].line;
    }
    const double spare = std::max(0.0, room - least);
    Band band{columns, {}};
    for (long col : columns) {
      const Need& need = needs[static_cast<size_t>(col)];
      const double share = most > least ? spare * (need.line - need.word) / (most - least) : 0;
      band.widths.push_back(std::min(most <= room ? need.line : need.word + share, room));
    }
    return band;
  }

  // The cell's text in lines no wider than `room`, broken between words; only a word wider than
  // the room is broken inside.
  QStringList Wrap(const QString& text, const QFont& font, double room) const {
    QFontMetricsF metrics(font, &printer_);
    QStringList lines;
    double line = 0;
    ForEachWord(text, metrics, [&](QString word, double width, bool startsLine) {
      if (!startsLine && line + space_ + width <= room) {
        lines.back() += u' ' + word;
        line += space_ + width;
        return;
      }
      while (width > room && word.size() > 1) {
        qsizetype fits = word.size() - 1;
        while (fits > 1 && metrics.horizontalAdvance(word.left(fits)) > room) --fits;
        lines.push_back(word.left(fits));
        word = word.mid(fits);
        width = metrics.horizontalAdvance(word);
      }
      lines.push_back(word);
      line = width;
    });
    return lines;
  }

  Laid Lay(long row, const Band& band, double pageHeight) const {
    Laid laid;
    qsizetype most = 1;
    for (size_t i = 0; i < band.columns.size(); ++i) {
      const long col = band.columns[i];
      laid.cells.push_back(Wrap(TextAt(row, col), FontAt(row, col), band.widths[i] - Margin()));
      most = std::max(most, laid.cells.back().size());
    }
    laid.height = std::min(static_cast<double>(most) * lineSpacing_ + 2 * pad_, pageHeight);
    return laid;
  }

  void Paint(QPainter& painter, const Laid& laid, long row, const Band& band, double y) const {
    double x = 0;
    for (size_t i = 0; i < band.columns.size(); ++i) {
      QRectF cell(x, y, band.widths[i], laid.height);
      if (row == 0) painter.fillRect(cell, QColor(0xe8, 0xe8, 0xe8));
      if (borders_) {
        painter.setPen(QPen(Qt::black, 0));
        painter.drawRect(cell);
      }
      const QFont& font = FontAt(row, band.columns[i]);
      painter.setFont(font);
      painter.setPen(Qt::black);
      double baseline = y + pad_ + QFontMetricsF(font, &printer_).ascent();
      // A row taller than a page keeps the lines the page holds.
      for (const QString& line : laid.cells[i]) {
        if (baseline > y + laid.height) break;
        painter.drawText(QPointF(x + pad_, baseline), line);
        baseline += lineSpacing_;
      }
      x += cell.width();
    }
  }

  void PaintFooter(QPainter& painter, int page, double pageHeight) const {
    painter.setFont(footerFont_);
    painter.setPen(Qt::black);
    QRectF footer(0, pageHeight, PageWidth(), FooterHeight());
    painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Page %1").arg(page));
  }

  void NextPage(QPainter& painter, int& page, double& y, double pageHeight) {
    PaintFooter(painter, page, pageHeight);
    if (!printer_.newPage()) Raise(errPrinter, "Printer error: a new page could not be started");
    ++page;
    y = 0;
  }

  QPrinter& printer_;
  const Grid& grid_;
  bool borders_;
  QFont plain_, bold_, footerFont_;
  double pad_ = 0, space_ = 0, lineSpacing_ = 0;
  std::vector<Band> bands_;
};

}  // namespace

void ReportPrinter::PrintReport() {
  pagesPrinted_ = 0;
  if (grid_ == nullptr) Raise(errObjectNotSet);
  EnsureGuiApplication();
  std::string name = CurrentPrinter();
  QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(name));
  if (name.empty() || info.isNull()) Raise(errPrinter, "Printer error: no printer named '" + name + "'");

  QPrinter printer(info, QPrinter::HighResolution);
  printer.setDocName(QString::fromStdString(title_ ? title_->text : std::string("QUORVASchedule report")));
  printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  Table table(printer, *grid_, printOption_);
  QPainter painter;
  if (!painter.begin(&printer)) Raise(errPrinter, "Printer error: the printer '" + name + "' cannot print");

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
  const int pages = table.Print(painter, y);
  if (!painter.end() || printer.printerState() == QPrinter::Error)
    Raise(errPrinter, "Printer error: the report could not be sent to '" + name + "'");
  pagesPrinted_ = pages;
}

}  // namespace platform
