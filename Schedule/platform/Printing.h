// The system's printers and the printing class that puts a report grid on paper.
//
// The printers are the system's print queues; a printer's device name is its queue name. The
// program has one current printer, which starts as the system's default printer; reports are
// printed on it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

class Grid;

struct PrinterInfo {
  std::string DeviceName;
};

// The printer collection: every printer the system has, in the system's order.
std::vector<PrinterInfo> Printers();

// The device name of the current printer ("" when the system has no printer at all).
std::string CurrentPrinter();
void SetCurrentPrinter(const std::string& deviceName);

// The printer a job asks for: visits every printer and makes current each one whose device name,
// upper-cased, equals the job's printer name (which the schedule holds in upper case). With no
// match the current printer stays as it was; that is no error.
void SelectJobPrinter(const std::string& jobPrinterName);

// Prints one report: the title, heading and date lines, then the report grid as a table (bold
// cells bold, the heading row repeated on every page), over as many pages as it needs, on the
// current printer. One object per printed report.
//
// No word is cut: a column is at least as wide as its widest word and its text wraps between
// words. A table too wide for the page is printed on landscape pages, then in smaller type down
// to a readable floor, and past that with its columns split over pages, each part led by the
// first column again. Only a single word wider than the whole page is broken.
//
// Line options: 1 centres a line, 2 puts it on the left, 3 on the right; other values put it on
// the left. The title line is bold. The print option draws the table's cell borders.
class ReportPrinter {
 public:
  void AddTitleLine(const std::string& text, long lineOption, const std::string& fontName, short fontSize);
  void AddHeadingLine(const std::string& text, long lineOption, const std::string& fontName, short fontSize);
  void AddDateLine(const std::string& text, long lineOption, const std::string& fontName, short fontSize);
  void SetPrintOption(bool option);
  // The grid is read when the report is printed; it must live until then.
  void SetReportGrid(const Grid& grid);
  // Prints; a missing grid raises 91, a printer that cannot be had or fails raises 482.
  void PrintReport();

  // Pages the last PrintReport sent.
  int PagesPrinted() const { return pagesPrinted_; }

 private:
  struct Line {
    std::string text;
    long option = 1;
    std::string fontName;
    short fontSize = 12;
    bool bold = false;
  };
  std::optional<Line> title_, heading_, date_;
  bool printOption_ = false;
  const Grid* grid_ = nullptr;
  int pagesPrinted_ = 0;
};

}  // namespace platform
