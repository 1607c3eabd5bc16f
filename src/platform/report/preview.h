#pragma once
#include <QAbstractScrollArea>
#include <QCache>
#include <QDialog>
#include <QImage>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QSpinBox;

namespace report {

class Document;

// The pages one below the other. A page is painted when it first comes into
// view, so a long report opens as fast as a short one.
class PageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Fit { None, Width, Page };

    explicit PageView(const Document& doc, QWidget* parent = nullptr);

    double zoom() const;                 // 1 = actual size
    void setZoom(double zoom);           // ends fitting
    Fit fit() const { return fit_; }
    void setFit(Fit f);
    int currentPage() const { return current_; }
    void showPage(int page);
    int pagesRendered() const { return rendered_; }

signals:
    void currentPageChanged(int page);
    void zoomChanged();
    void pageRendered(int page);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int renderDpi() const;               // pixels per inch of a rendered page (device pixels)
    QSize pagePx() const;                // a page on screen, in logical pixels
    int pageTop(int page) const;
    void updateZoomForFit();
    void updateScrollBars();
    const QImage& page(int i);

    const Document& doc_;
    Fit fit_ = Fit::Page;
    double zoom_ = 1;
    int current_ = 0;
    bool jumping_ = false;
    int rendered_ = 0;
    QCache<int, QImage> cache_;
};

// The engine's preview window: zoom, page navigation, 打印 (the system print
// dialog) and 导出PDF (a save dialog), both through the modal seam.
class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    PreviewDialog(std::unique_ptr<Document> doc, QString pdfName, QWidget* owner = nullptr);
    ~PreviewDialog() override;

    const Document& document() const { return *doc_; }
    PageView* view() const { return view_; }
    QString statusText() const;

    void printDocument();
    void exportPdf();

private:
    void updateStatus();

    std::unique_ptr<Document> doc_;
    QString pdfName_;
    PageView* view_ = nullptr;
    QSpinBox* pageBox_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QLabel* status_ = nullptr;
    QAction* firstAct_ = nullptr;
    QAction* prevAct_ = nullptr;
    QAction* nextAct_ = nullptr;
    QAction* lastAct_ = nullptr;
    QString note_;
};

}
