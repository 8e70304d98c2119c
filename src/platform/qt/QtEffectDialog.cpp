#include "platform/qt/QtEffectDialog.h"

#include "platform/EffectDialogSession.h"

#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <array>
#include <memory>
#include <thread>

namespace zv {

namespace {

constexpr int kBoxWidth = 192;
constexpr int kBoxHeight = 360;

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

QString ColourName(std::uint32_t colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF)).name();
}

EffectCurveWindow& CurveWindow() {
    static EffectCurveWindow window;
    return window;
}

class EffectWindow : public QDialog {
public:
    EffectWindow(EffectDialogSession& session, QWidget* parent)
        : QDialog(parent), session_(session) {
        setWindowTitle(ToQt(session.Title()));
        setObjectName(QStringLiteral("TFXdlg"));
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(MakePictures(), 1);
        layout->addLayout(MakeRows());
        layout->addLayout(MakeButtons());
        preview_.setSingleShot(true);
        connect(&preview_, &QTimer::timeout, this, [this] { Preview(); });
        connect(before_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
                [this] { RequestPreview(); });
        connect(before_->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this] { RequestPreview(); });
        ShowPanel();
    }
    // Closing waits for a preview still rendering; its result is dropped.
    ~EffectWindow() override { Join(); }

    void accept() override {
        if (!session_.ApplyEnabled()) return;
        session_.Apply();
        QDialog::accept();
    }
    void reject() override {
        session_.Cancel();
        QDialog::reject();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == beforeImage_ && event->type() == QEvent::MouseButtonRelease) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            session_.Pick(at.x(), at.y());
            ShowPositions();
            ShowPanel();
            RequestPreview();
        }
        return QDialog::eventFilter(watched, event);
    }

private:
    QLayout* MakePictures() {
        auto* pictures = new QHBoxLayout;
        before_ = new QScrollArea(this);
        before_->setObjectName(QStringLiteral("before"));
        beforeImage_ = new QLabel;
        beforeImage_->setPixmap(PixmapOfRows(session_.BeforePixels()));
        beforeImage_->installEventFilter(this);
        before_->setWidget(beforeImage_);
        before_->setMinimumSize(kBoxWidth, kBoxHeight);
        after_ = new QLabel(this);
        after_->setObjectName(QStringLiteral("after"));
        after_->setMinimumSize(kBoxWidth, kBoxHeight);
        after_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        after_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        pictures->addWidget(before_, 1);
        pictures->addWidget(after_, 1);
        return pictures;
    }

    QLayout* MakeRows() {
        auto* grid = new QGridLayout;
        for (int n = 0; n < session_.RowCount() && n < 3; ++n) {
            const EffectRow row = session_.Row(n);
            auto* slider = new QSlider(Qt::Horizontal, this);
            slider->setObjectName(QStringLiteral("slider%1").arg(n + 1));
            slider->setRange(row.min, row.max);
            slider->setPageStep(row.largeStep);
            slider->setSingleStep(row.smallStep);
            slider->setValue(row.position);
            auto* caption = new QLabel(ToQt(row.caption), this);
            caption->setBuddy(slider);
            auto* box = new QLineEdit(ToQt(row.text), this);
            box->setObjectName(QStringLiteral("edit%1").arg(n + 1));
            box->setMaximumWidth(64);
            grid->addWidget(caption, n, 0);
            grid->addWidget(new QLabel(ToQt(row.minLabel), this), n, 1);
            grid->addWidget(slider, n, 2);
            grid->addWidget(new QLabel(ToQt(row.maxLabel), this), n, 3);
            grid->addWidget(box, n, 4);
            grid->setColumnStretch(2, 1);
            connect(slider, &QSlider::valueChanged, this, [this, n](int value) {
                session_.SetSlider(n, value);
                ShowBox(n);
                RequestPreview();
            });
            connect(box, &QLineEdit::textEdited, this, [this, n](const QString& text) {
                session_.TypeText(n, text.toStdString());
                ShowSlider(n);
                RequestPreview();
            });
            // Leaving the box shows the value it stands for.
            connect(box, &QLineEdit::editingFinished, this, [this, n] { ShowBox(n); });
            sliders_[n] = slider;
            boxes_[n] = box;
        }
        panel_ = new QLabel(this);
        panel_->setObjectName(QStringLiteral("panel"));
        panel_->setMinimumSize(96, 24);
        panel_->setAlignment(Qt::AlignCenter);
        panel_->setVisible(session_.PanelShown());
        grid->addWidget(panel_, 0, 5, std::max(1, session_.RowCount()), 1);
        return grid;
    }

    QLayout* MakeButtons() {
        auto* buttons = new QHBoxLayout;
        if (!session_.CurveCaption().empty()) {
            auto* curve = new QPushButton(ToQt(session_.CurveCaption()), this);
            curve->setObjectName(QStringLiteral("curve"));
            curve->setAutoDefault(false);
            connect(curve, &QPushButton::clicked, this, [this] { Curve(); });
            buttons->addWidget(curve);
        }
        auto* bars = new QCheckBox(QStringLiteral("Show scroll bars"), this);
        bars->setObjectName(QStringLiteral("scrollBars"));
        bars->setChecked(session_.ScrollBarsShown());
        connect(bars, &QCheckBox::toggled, this, [this](bool shown) { ShowScrollBars(shown); });
        buttons->addWidget(bars);
        buttons->addStretch(1);
        auto* test = new QPushButton(QStringLiteral("&Test"), this);
        test->setAutoDefault(false);
        connect(test, &QPushButton::clicked, this, [this] { Preview(); });
        buttons->addWidget(test);
        if (session_.ResetShown()) {
            auto* reset = new QPushButton(QStringLiteral("&Reset"), this);
            reset->setAutoDefault(false);
            connect(reset, &QPushButton::clicked, this, [this] {
                session_.Reset();
                ShowPositions();
                Preview();
            });
            buttons->addWidget(reset);
        }
        apply_ = new QPushButton(QStringLiteral("&Apply"), this);
        apply_->setObjectName(QStringLiteral("apply"));
        apply_->setDefault(true);
        apply_->setEnabled(false);
        connect(apply_, &QPushButton::clicked, this, [this] { accept(); });
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
        cancel->setAutoDefault(false);
        connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
        buttons->addWidget(apply_);
        buttons->addWidget(cancel);
        return buttons;
    }

    // Previews asked for while one is pending or rendering become one, the
    // newest, made as soon as the worker is free.
    void RequestPreview() { preview_.start(0); }

    // Starts a preview of the current positions on the worker thread; the
    // interface thread goes on taking slider moves meanwhile.
    void Preview() {
        preview_.stop();
        if (rendering_) {
            wanted_ = true;
            return;
        }
        SetView();
        rendering_ = session_.PreparePreview();
        if (!rendering_) {
            // A session that previews only in one step does so here.
            session_.Test();
            ShowAfter();
            return;
        }
        wanted_ = false;
        Join();
        worker_ = std::thread([this, preview = rendering_.get()] {
            preview->Render();
            // Back on the interface thread; Qt drops it once the window is gone.
            QMetaObject::invokeMethod(
                this, [this] { Rendered(); }, Qt::QueuedConnection);
        });
    }

    void Rendered() {
        Join();
        session_.ShowPreview(std::move(rendering_));
        ShowAfter();
        if (wanted_) Preview();
    }

    void ShowAfter() {
        after_->setPixmap(PixmapOfRows(session_.AfterPixels()));
        apply_->setEnabled(session_.ApplyEnabled());
    }

    void Join() {
        if (worker_.joinable()) worker_.join();
    }

    void Curve() {
        Join(); // the mask preview is made here, not on the worker
        rendering_.reset();
        SetView();
        session_.Curve();
        if (session_.CurveTitle().empty()) {
            ShowAfter();
        } else if (CurveWindow()) {
            CurveWindow()(session_, this);
        }
    }

    void ShowScrollBars(bool shown) {
        QScrollBar* across = before_->horizontalScrollBar();
        QScrollBar* down = before_->verticalScrollBar();
        SetView();
        session_.ShowScrollBars(shown);
        const Qt::ScrollBarPolicy policy = shown ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
        before_->setHorizontalScrollBarPolicy(policy);
        before_->setVerticalScrollBarPolicy(policy);
        const EffectDialogSession::ScrollPosition at = session_.RememberedScroll();
        across->setValue(at.x);
        down->setValue(at.y);
    }

    void SetView() {
        const QSize box = after_->size();
        session_.SetView(before_->horizontalScrollBar()->value(),
                         before_->verticalScrollBar()->value(), box.width(), box.height());
    }

    void ShowBox(int n) {
        if (boxes_[n] && !boxes_[n]->hasFocus()) boxes_[n]->setText(ToQt(session_.Row(n).text));
    }
    void ShowSlider(int n) {
        const QSignalBlocker quiet(sliders_[n]);
        sliders_[n]->setValue(session_.Row(n).position);
    }
    void ShowPositions() {
        for (int n = 0; n < 3; ++n) {
            if (!sliders_[n]) continue;
            ShowSlider(n);
            boxes_[n]->setText(ToQt(session_.Row(n).text));
        }
    }
    void ShowPanel() {
        const std::uint32_t colour = session_.PanelColour();
        panel_->setText(ToQt(session_.PanelText()));
        panel_->setStyleSheet(QStringLiteral("background-color: %1; color: %2;")
                                  .arg(ColourName(colour), ColourName(colour ^ 0xFFFFFFu)));
    }

    EffectDialogSession& session_;
    QScrollArea* before_ = nullptr;
    QLabel* beforeImage_ = nullptr;
    QLabel* after_ = nullptr;
    QLabel* panel_ = nullptr;
    QPushButton* apply_ = nullptr;
    std::array<QSlider*, 3> sliders_{};
    std::array<QLineEdit*, 3> boxes_{};
    QTimer preview_;
    // The preview the worker renders; the window owns it until it is shown.
    std::unique_ptr<EffectPreview> rendering_;
    bool wanted_ = false; // a newer preview was asked for meanwhile
    std::thread worker_;
};

} // namespace

void SetEffectCurveWindow(EffectCurveWindow window) {
    CurveWindow() = std::move(window);
}

void RunQtEffectDialog(EffectDialogSession& session, QWidget* parent) {
    EffectWindow window(session, parent);
    window.resize(768, 560);
    window.exec();
    if (!session.Closed()) session.Cancel();
}

QPixmap PixmapOfRows(const PixelRows& rows) {
    if (!rows.bits || rows.width <= 0 || rows.height <= 0) return {};
    const QImage image(rows.bits, rows.width, rows.height, static_cast<qsizetype>(rows.stride),
                       QImage::Format_BGR888);
    return QPixmap::fromImage(image); // copies the rows
}

} // namespace zv
