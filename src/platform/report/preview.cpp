#include "platform/report/preview.h"
#include "platform/report/document.h"
#include "platform/ui/modal.h"
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

namespace report {

namespace {

constexpr int kGap = 16;                      // around and between pages, logical pixels
const double kZooms[] = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0};

// The folder of the last PDF written in this session; the documents folder at first.
QString& pdfFolder()
{
    static QString folder;
    return folder;
}

QString proposedPdfFolder()
{
    if (!pdfFolder().isEmpty() && QFileInfo(pdfFolder()).isDir()) return pdfFolder();
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !docs.isEmpty() && QFileInfo(docs).isDir() ? docs : QDir::homePath();
}

// The style offers no printer; a small one drawn in the style's text colour,
// so 打印 has a picture like the buttons beside it.
QIcon printerIcon(const QPalette& pal)
{
    QIcon themed = QIcon::fromTheme(QStringLiteral("document-print"));
    if (!themed.isNull()) return themed;
    QIcon icon;
    for (int side : {16, 32}) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(side / 16.0, side / 16.0);
        const QColor ink = pal.color(QPalette::WindowText);
        p.setPen(QPen(ink, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));        // paper going in
        p.setBrush(pal.color(QPalette::Button));
        p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1, 1);   // the body
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 9.5, 7, 5));        // the printed sheet
        p.drawLine(QPointF(6, 11.5), QPointF(10, 11.5));
        p.drawLine(QPointF(6, 13), QPointF(10, 13));
        icon.addPixmap(pm);
    }
    return icon;
}

struct Busy {
    Busy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Busy() { QApplication::restoreOverrideCursor(); }
};

} // namespace

// ---- pages ----

PageView::PageView(const Document& doc, QWidget* parent) : QAbstractScrollArea(parent), doc_(doc)
{
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    cache_.setMaxCost(128 * 1024);            // KiB of rendered pages kept
    verticalScrollBar()->setSingleStep(40);
}

double PageView::zoom() const { return zoom_; }

void PageView::setZoom(double zoom)
{
    fit_ = Fit::None;
    zoom = std::clamp(zoom, 0.1, 5.0);
    if (zoom == zoom_) return;
    const int keep = current_;
    zoom_ = zoom;
    cache_.clear();
    updateScrollBars();
    showPage(keep);
    emit zoomChanged();
}

void PageView::setFit(Fit f)
{
    fit_ = f;
    const int keep = current_;
    const double before = zoom_;
    updateZoomForFit();
    if (zoom_ != before) cache_.clear();
    updateScrollBars();
    showPage(keep);
    emit zoomChanged();
}

void PageView::updateZoomForFit()
{
    if (fit_ == Fit::None) return;
    const QSizeF mm = doc_.layout().pageSize();
    const double perMm = logicalDpiX() / 25.4;
    const double zw = (viewport()->width() - 2 * kGap) / (mm.width() * perMm);
    const double zh = (viewport()->height() - 2 * kGap) / (mm.height() * perMm);
    zoom_ = std::clamp(fit_ == Fit::Width ? zw : std::min(zw, zh), 0.1, 5.0);
}

int PageView::renderDpi() const
{
    return std::max(10, int(std::lround(zoom_ * logicalDpiX() * devicePixelRatioF())));
}

QSize PageView::pagePx() const
{
    const QSizeF mm = doc_.layout().pageSize();
    const double perMm = renderDpi() / devicePixelRatioF() / 25.4;
    return QSize(int(std::lround(mm.width() * perMm)), int(std::lround(mm.height() * perMm)));
}

int PageView::pageTop(int page) const { return kGap + page * (pagePx().height() + kGap); }

void PageView::updateScrollBars()
{
    const QSize p = pagePx();
    const int total = kGap + doc_.pageCount() * (p.height() + kGap);
    verticalScrollBar()->setRange(0, std::max(0, total - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    horizontalScrollBar()->setRange(0, std::max(0, p.width() + 2 * kGap - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    viewport()->update();
}

void PageView::showPage(int page)
{
    page = std::clamp(page, 0, doc_.pageCount() - 1);
    jumping_ = true;
    verticalScrollBar()->setValue(pageTop(page) - kGap);
    jumping_ = false;
    viewport()->update();
    if (page != current_) {
        current_ = page;
        emit currentPageChanged(page);
    }
}

void PageView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    if (fit_ != Fit::None) {
        const double before = zoom_;
        updateZoomForFit();
        if (zoom_ != before) {
            cache_.clear();
            emit zoomChanged();
        }
    }
    updateScrollBars();
    showPage(current_);
}

void PageView::scrollContentsBy(int, int)
{
    viewport()->update();
    if (jumping_) return;
    // The current page is the one the top third of the view looks at.
    const int y = verticalScrollBar()->value() + viewport()->height() / 3;
    const int page = std::clamp((y - kGap / 2) / (pagePx().height() + kGap), 0, doc_.pageCount() - 1);
    if (page != current_) {
        current_ = page;
        emit currentPageChanged(page);
    }
}

const QImage& PageView::page(int i)
{
    if (QImage* hit = cache_.object(i)) return *hit;
    const QSizeF mm = doc_.layout().pageSize();
    // A page takes at most a quarter of the store: zoomed far in on a dense
    // screen it is drawn a little coarser, not dropped and left blank.
    const double maxPixels = cache_.maxCost() * 1024.0 / 4 / 4;
    const int dpi = std::min(renderDpi(), int(std::sqrt(maxPixels / (mm.width() / 25.4 * mm.height() / 25.4))));
    auto* img = new QImage(int(std::lround(mm.width() * dpi / 25.4)), int(std::lround(mm.height() * dpi / 25.4)),
                           QImage::Format_RGB32);
    // The painter takes its scale from the image's resolution, fonts included.
    img->setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
    img->setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    img->fill(Qt::white);
    {
        QPainter p(img);
        doc_.paintPage(p, i);
    }
    img->setDevicePixelRatio(dpi == renderDpi() ? devicePixelRatioF() : devicePixelRatioF() * dpi / renderDpi());
    const int cost = int(img->sizeInBytes() / 1024);
    cache_.insert(i, img, cost);
    ++rendered_;
    emit pageRendered(i);
    if (QImage* kept = cache_.object(i)) return *kept;
    static QImage none;   // larger than the whole cache: drawn blank
    return none;
}

void PageView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), QColor(0x6b, 0x70, 0x78));
    const QSize sz = pagePx();
    const int x = std::max(kGap, (viewport()->width() - sz.width()) / 2) - horizontalScrollBar()->value();
    const int top = verticalScrollBar()->value();
    const int first = std::max(0, (top - kGap) / (sz.height() + kGap));
    for (int i = first; i < doc_.pageCount(); ++i) {
        const int y = pageTop(i) - top;
        if (y > viewport()->height()) break;
        const QRect r(x, y, sz.width(), sz.height());
        p.fillRect(r.translated(3, 3), QColor(0, 0, 0, 90));
        const QImage& img = page(i);
        if (img.isNull()) p.fillRect(r, Qt::white);
        else if (img.devicePixelRatio() == devicePixelRatioF()) p.drawImage(r.topLeft(), img);
        else p.drawImage(QRectF(r), img);   // a coarser page, stretched
    }
}

// ---- the window ----

PreviewDialog::PreviewDialog(std::unique_ptr<Document> doc, QString pdfName, QWidget* owner)
    : QDialog(owner), doc_(std::move(doc)), pdfName_(std::move(pdfName))
{
    setObjectName(QStringLiteral("PreviewDialog"));
    const QString title = doc_->layout().title;
    setWindowTitle(title.isEmpty() ? QStringLiteral("打印预览") : QStringLiteral("打印预览 - ") + title);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setSizeGripEnabled(true);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setIconSize(QSize(16, 16));
    top->addWidget(bar);

    view_ = new PageView(*doc_, this);
    top->addWidget(view_, 1);

    status_ = new QLabel(this);
    status_->setContentsMargins(8, 3, 8, 3);
    status_->setFrameShape(QFrame::StyledPanel);
    top->addWidget(status_);

    QStyle* st = style();
    QAction* print = bar->addAction(printerIcon(palette()), QStringLiteral("打印"), this, &PreviewDialog::printDocument);
    print->setShortcut(QKeySequence::Print);
    bar->addAction(st->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("导出PDF"), this, &PreviewDialog::exportPdf);
    bar->addSeparator();
    firstAct_ = bar->addAction(st->standardIcon(QStyle::SP_MediaSkipBackward), QStringLiteral("首页"), this,
                               [this] { view_->showPage(0); });
    prevAct_ = bar->addAction(st->standardIcon(QStyle::SP_MediaSeekBackward), QStringLiteral("上一页"), this,
                              [this] { view_->showPage(view_->currentPage() - 1); });
    pageBox_ = new QSpinBox(bar);
    pageBox_->setRange(1, doc_->pageCount());
    pageBox_->setKeyboardTracking(false);
    pageBox_->setAlignment(Qt::AlignRight);
    pageBox_->setMinimumWidth(70);
    bar->addWidget(pageBox_);
    auto* of = new QLabel(QStringLiteral(" / %1 ").arg(doc_->pageCount()), bar);
    bar->addWidget(of);
    nextAct_ = bar->addAction(st->standardIcon(QStyle::SP_MediaSeekForward), QStringLiteral("下一页"), this,
                              [this] { view_->showPage(view_->currentPage() + 1); });
    lastAct_ = bar->addAction(st->standardIcon(QStyle::SP_MediaSkipForward), QStringLiteral("末页"), this,
                              [this] { view_->showPage(doc_->pageCount() - 1); });
    bar->addSeparator();
    bar->addAction(QStringLiteral("缩小"), this, [this] {
        double z = kZooms[0];
        for (double s : kZooms)
            if (s < view_->zoom() - 0.01) z = s;
        view_->setZoom(z);
    });
    zoomBox_ = new QComboBox(bar);
    zoomBox_->addItem(QStringLiteral("整页"));
    zoomBox_->addItem(QStringLiteral("页宽"));
    for (double z : kZooms) zoomBox_->addItem(QStringLiteral("%1%").arg(int(z * 100)));
    bar->addWidget(zoomBox_);
    bar->addAction(QStringLiteral("放大"), this, [this] {
        double z = kZooms[std::size(kZooms) - 1];
        for (auto it = std::rbegin(kZooms); it != std::rend(kZooms); ++it)
            if (*it > view_->zoom() + 0.01) z = *it;
        view_->setZoom(z);
    });
    bar->addSeparator();
    bar->addAction(st->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("关闭"), this, &QDialog::reject);

    connect(pageBox_, &QSpinBox::valueChanged, this, [this](int v) {
        if (v - 1 != view_->currentPage()) view_->showPage(v - 1);
    });
    connect(zoomBox_, &QComboBox::activated, this, [this](int i) {
        if (i == 0) view_->setFit(PageView::Fit::Page);
        else if (i == 1) view_->setFit(PageView::Fit::Width);
        else view_->setZoom(kZooms[i - 2]);
    });
    connect(view_, &PageView::currentPageChanged, this, [this](int p) {
        QSignalBlocker b(pageBox_);
        pageBox_->setValue(p + 1);
        updateStatus();
    });
    connect(view_, &PageView::zoomChanged, this, [this] {
        QSignalBlocker b(zoomBox_);
        if (view_->fit() == PageView::Fit::Page) zoomBox_->setCurrentIndex(0);
        else if (view_->fit() == PageView::Fit::Width) zoomBox_->setCurrentIndex(1);
        int match = -1;
        for (int i = 0; i < int(std::size(kZooms)); ++i)
            if (std::abs(kZooms[i] - view_->zoom()) < 0.005) match = i;
        if (view_->fit() == PageView::Fit::None && match >= 0) zoomBox_->setCurrentIndex(match + 2);
        updateStatus();
    });

    const QRect screen = (owner ? owner->screen() : QApplication::primaryScreen())->availableGeometry();
    // Most of the screen, and never more than it (a small screen, a large scale factor).
    const QSize most(std::max(800, screen.width() * 9 / 10), std::max(600, screen.height() * 9 / 10));
    resize(most.boundedTo(screen.size() - QSize(16, 48)));
    QRect frame(QPoint(), size());
    frame.moveCenter(screen.center());
    move(frame.topLeft());
    updateStatus();
    view_->setFocus();   // paging keys work at once
}

PreviewDialog::~PreviewDialog() = default;

QString PreviewDialog::statusText() const { return status_->text(); }

void PreviewDialog::updateStatus()
{
    // Nowhere to go before the first page or past the last.
    const int page = view_->currentPage();
    firstAct_->setEnabled(page > 0);
    prevAct_->setEnabled(page > 0);
    nextAct_->setEnabled(page < doc_->pageCount() - 1);
    lastAct_->setEnabled(page < doc_->pageCount() - 1);

    QString s = QStringLiteral("第 %1 页，共 %2 页　　%3 行　　%4%")
                    .arg(view_->currentPage() + 1)
                    .arg(doc_->pageCount())
                    .arg(doc_->table().rowCount())
                    .arg(int(std::lround(view_->zoom() * 100)));
    if (!note_.isEmpty()) s += QStringLiteral("　　") + note_;
    status_->setText(s);
}

void PreviewDialog::printDocument()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(doc_->pageLayout());
    printer.setFullPage(true);
    printer.setDocName(doc_->layout().title);
    printer.setCreator(ui::applicationTitle());
    QPrintDialog dlg(&printer, this);
    dlg.setWindowTitle(QStringLiteral("打印"));
    dlg.setMinMax(1, doc_->pageCount());
    dlg.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    if (ui::execDialog(&dlg) != QDialog::Accepted) return;
    int from = 0, to = doc_->pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = printer.fromPage() - 1;
        to = std::max(from, printer.toPage() - 1);
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        from = to = view_->currentPage();
    }
    QString err;
    bool ok;
    {
        Busy busy;
        // Printing to a file goes the export's way: only a PDF is replaced, and
        // only by a whole one (the printer's own writer truncates the file first
        // and says nothing when the disk is full).
        if (!printer.outputFileName().isEmpty())
            ok = writePdf(*doc_, printer.outputFileName(), from, to, &err);
        else
            ok = doc_->print(&printer, from, to, &err) && printer.printerState() != QPrinter::Error;
    }
    if (!ok) {
        ui::info(QStringLiteral("打印失败") + (err.isEmpty() ? QString() : QStringLiteral("：") + err), this);
        return;
    }
    note_ = QStringLiteral("已打印第 %1 至 %2 页").arg(from + 1).arg(to + 1);
    updateStatus();
}

void PreviewDialog::exportPdf()
{
    const QString path = ui::saveFileName(this, QStringLiteral("导出PDF"), QStringLiteral("PDF 文件|*.pdf"),
                                          QStringLiteral("pdf"), QDir(proposedPdfFolder()).filePath(pdfName_));
    if (path.isEmpty()) return;
    QString err;
    bool ok;
    {
        Busy busy;
        ok = writePdf(*doc_, path, &err);
    }
    if (!ok) {
        ui::info(QStringLiteral("导出失败：") + err, this);
        return;
    }
    pdfFolder() = QFileInfo(path).absolutePath();
    note_ = QStringLiteral("已导出到 %1").arg(path);
    updateStatus();
}

}
