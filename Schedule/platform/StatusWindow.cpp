#include "platform/StatusWindow.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QTableView>
#include <QWidget>
#include <QWindow>
#include <cmath>

#include "platform/Controls.h"
#include "platform/GuiApp.h"
#include "platform/Grid.h"

namespace platform {

namespace {

// The form was laid out in twips; the screen has 15 twips to a pixel.
constexpr int kTwipsPerPixel = 15;
int Px(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }
QRect TwipRect(int left, int top, int width, int height) { return QRect(Px(left), Px(top), Px(width), Px(height)); }

// A status panel: a sunken line with a state lamp and the panel's text.
class StatusPanelWidget : public QFrame {
 public:
  StatusPanelWidget(const StatusPanel& model, QWidget* parent) : QFrame(parent), model_(model) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    QPainter painter(this);
    QRect inside = contentsRect().adjusted(3, 1, -3, -1);
    int lamp = std::min(inside.height() - 4, 9);
    QRect lampRect(inside.left(), inside.center().y() - lamp / 2, lamp, lamp);
    painter.setPen(palette().color(QPalette::Dark));
    painter.setBrush(LampColour(model_.State()));
    painter.drawRect(lampRect);
    QRect textRect = inside.adjusted(lamp + 5, 0, 0, 0);
    painter.setPen(palette().color(QPalette::WindowText));
    QString text = QString::fromStdString(model_.Text());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
  }

 private:
  static QColor LampColour(int state) {
    switch (state) {
      case 0: return QColor(0xc0, 0xc0, 0xc0);
      case 1: return QColor(0xe0, 0xa0, 0x00);
      case 2: return QColor(0x20, 0xa0, 0x20);
      default: return QColor(0x20, 0x60, 0xd0);
    }
  }
  const StatusPanel& model_;
};

// A grid model shown in a table view.
class GridTableModel : public QAbstractTableModel {
 public:
  GridTableModel(const Grid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {}
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(grid_.Rows());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(grid_.Cols());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= grid_.Rows() || index.column() >= grid_.Cols()) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(grid_.TextMatrix(index.row(), index.column()));
    if (role == Qt::FontRole && grid_.CellFontBoldAt(index.row(), index.column())) {
      QFont bold;
      bold.setBold(true);
      return bold;
    }
    return {};
  }
  // The grid changed: the view reads it again.
  void Reload() {
    beginResetModel();
    endResetModel();
  }

 private:
  const Grid& grid_;
};

class Form : public QWidget {
 public:
  explicit Form(std::function<void()> onClose) : onClose_(std::move(onClose)) {}

 protected:
  // Closing the window ends the run, whoever closes it.
  void closeEvent(QCloseEvent* event) override {
    event->accept();
    if (onClose_) onClose_();
  }

 private:
  std::function<void()> onClose_;
};

QTableView* MakeGridView(Grid& grid, QWidget* parent) {
  auto* view = new QTableView(parent);
  view->setModel(new GridTableModel(grid, view));
  view->horizontalHeader()->hide();
  view->verticalHeader()->hide();
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The grids are small work tables: they show their first cells, not scroll bars.
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return view;
}

}  // namespace

struct StatusWindow::Impl {
  StatusWindowControls controls;
  Form* form = nullptr;
  StatusPanelWidget* p2 = nullptr;
  StatusPanelWidget* panel = nullptr;
  QProgressBar* pg1 = nullptr;
  QTableView* grdReport = nullptr;
  QTableView* grd = nullptr;
  bool exposedOnce = false;

  explicit Impl(const StatusWindowControls& c) : controls(c) {}

  QElapsedTimer sinceFlush;

  void ShowProgress() {
    // The bar works in whole steps; the run's values are fractions of its maximum. The bar
    // would repaint itself at once on every step, which cost the collection a fifth of its time:
    // it only asks for a paint here, and Changed() decides when paints happen.
    double max = controls.Pg1.Max();
    double value = controls.Pg1.Value();
    pg1->setUpdatesEnabled(false);
    pg1->setValue(max > 0 ? static_cast<int>(std::lround(1000.0 * value / max)) : 0);
    pg1->setUpdatesEnabled(true);
    Changed();
  }

  // The run never waits in an event loop: pending paints are done here, at most ten times a
  // second, so the window follows the run without slowing it.
  void Changed() {
    if (sinceFlush.isValid() && sinceFlush.elapsed() < 100) return;
    sinceFlush.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }

  // Reloads a grid view once per batch of changes: a report fills thousands of cells in a row.
  static void WatchGrid(Grid& grid, QTableView* view) {
    auto* model = static_cast<GridTableModel*>(view->model());
    auto pending = std::make_shared<bool>(false);
    grid.SetListener([model, pending] {
      if (*pending) return;
      *pending = true;
      QMetaObject::invokeMethod(
          model,
          [model, pending] {
            *pending = false;
            model->Reload();
          },
          Qt::QueuedConnection);
    });
  }
};

StatusWindow::StatusWindow(const StatusWindowControls& controls, std::function<void()> onClose)
    : impl_(std::make_unique<Impl>(controls)) {
  EnsureGuiApplication();
  Impl& w = *impl_;
  w.form = new Form(std::move(onClose));
  w.form->setWindowTitle(QStringLiteral("Scheduling............"));
  w.form->setObjectName(QStringLiteral("frmSchedule"));
  // The layout is fixed: the form does nothing when resized.
  w.form->setFixedSize(Px(5100), Px(2100));

  w.panel = new StatusPanelWidget(controls.Panel, w.form);
  w.panel->setObjectName(QStringLiteral("Panel"));
  w.panel->setGeometry(TwipRect(90, 720, 4845, 285));
  w.p2 = new StatusPanelWidget(controls.p2, w.form);
  w.p2->setObjectName(QStringLiteral("p2"));
  w.p2->setGeometry(TwipRect(120, 120, 4815, 495));
  w.pg1 = new QProgressBar(w.form);
  w.pg1->setObjectName(QStringLiteral("Pg1"));
  w.pg1->setGeometry(TwipRect(120, 1080, 4695, 375));
  w.pg1->setRange(0, 1000);
  w.pg1->setTextVisible(false);
  w.grdReport = MakeGridView(controls.grdReport, w.form);
  w.grdReport->setObjectName(QStringLiteral("grdReport"));
  w.grdReport->setGeometry(TwipRect(480, 1680, 735, 255));
  w.grd = MakeGridView(controls.Grd, w.form);
  w.grd->setObjectName(QStringLiteral("Grd"));
  w.grd->setGeometry(TwipRect(1680, 1680, 855, 255));
  QWidget::setTabOrder(w.panel, w.p2);
  QWidget::setTabOrder(w.p2, w.pg1);
  QWidget::setTabOrder(w.pg1, w.grdReport);
  QWidget::setTabOrder(w.grdReport, w.grd);

  w.ShowProgress();
  controls.Pg1.SetListener([this] { impl_->ShowProgress(); });
  controls.p2.SetListener([this] {
    impl_->p2->update();
    impl_->Changed();
  });
  controls.Panel.SetListener([this] {
    impl_->panel->update();
    impl_->Changed();
  });
  Impl::WatchGrid(controls.grdReport, w.grdReport);
  Impl::WatchGrid(controls.Grd, w.grd);
}

StatusWindow::~StatusWindow() {
  impl_->controls.Pg1.SetListener(nullptr);
  impl_->controls.p2.SetListener(nullptr);
  impl_->controls.Panel.SetListener(nullptr);
  impl_->controls.grdReport.SetListener(nullptr);
  impl_->controls.Grd.SetListener(nullptr);
  delete impl_->form;
}

void StatusWindow::SetVisible(bool visible) {
  impl_->form->setVisible(visible);
  if (visible && !impl_->exposedOnce) {
    // The first time the window appears, give the display a moment to map it, so that the
    // first repaint lands on the screen rather than into a window that is not there yet.
    QElapsedTimer waited;
    waited.start();
    QWindow* handle = impl_->form->windowHandle();
    while (handle != nullptr && !handle->isExposed() && waited.elapsed() < 2000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    impl_->exposedOnce = true;
  }
  Repaint();
}

bool StatusWindow::IsVisible() const { return impl_->form->isVisible(); }

void StatusWindow::Repaint() {
  QCoreApplication::sendPostedEvents();
  if (impl_->form->isVisible()) impl_->form->repaint();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::string StatusWindow::Caption() const { return impl_->form->windowTitle().toStdString(); }

StatusWindow::Rect StatusWindow::ControlRect(const std::string& controlName) const {
  auto* control = impl_->form->findChild<QWidget*>(QString::fromStdString(controlName));
  if (control == nullptr) return {};
  QRect r = control->geometry();
  return {r.left(), r.top(), r.width(), r.height()};
}

StatusWindow::Rect StatusWindow::WindowRect() const {
  QRect r = impl_->form->geometry();
  return {r.left(), r.top(), r.width(), r.height()};
}

bool StatusWindow::SaveImage(const std::string& path) const {
  return impl_->form->grab().save(QString::fromStdString(path), "PNG");
}

void StatusWindow::RequestClose() {
  QWidget* form = impl_->form;
  QMetaObject::invokeMethod(form, [form] { form->close(); }, Qt::QueuedConnection);
}

}  // namespace platform
