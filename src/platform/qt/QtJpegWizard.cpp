#include "platform/qt/QtJpegWizard.h"

#include "platform/qt/QtEffectDialog.h"

#include "platform/JpegWizardSession.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>

namespace zv {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

// A slider row with its edit box; `set` and `type` reach the session.
struct SliderRow {
    QSlider* slider = nullptr;
    QLineEdit* box = nullptr;
};

class JpegWizardWindow : public QDialog {
public:
    JpegWizardWindow(JpegWizardSession& session, QWidget* parent)
        : QDialog(parent), session_(session) {
        setWindowTitle(ToQt(session.Title()));
        setObjectName(QStringLiteral("TFXdlg"));
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(MakePictures(), 1);
        auto* rows = new QGridLayout;
        amount_ = AddRow(
            rows, 0, session.AmountRow(), QStringLiteral("amount"),
            [this](int v) { session_.SetAmount(v); },
            [this](const std::string& t) { session_.TypeAmount(t); },
            [this] { return session_.AmountRow(); });
        layout->addLayout(rows);
        layout->addWidget(MakeCompressor());
        layout->addLayout(MakeButtons());
    }

    void reject() override {
        session_.Close();
        QDialog::reject();
    }

private:
    QLayout* MakePictures() {
        auto* pictures = new QHBoxLayout;
        before_ = Scroller(QStringLiteral("before"), PixmapOfRows(session_.BeforePixels()));
        after_ = Scroller(QStringLiteral("after"), QPixmap());
        auto* right = new QVBoxLayout;
        right->addWidget(new QLabel(QStringLiteral("Compressed image"), this));
        right->addWidget(after_, 1);
        pictures->addWidget(before_, 1);
        pictures->addLayout(right, 2);
        // The two pictures scroll together at once.
        for (auto [from, to] : {std::pair{before_, after_}, std::pair{after_, before_}}) {
            connect(from->horizontalScrollBar(), &QScrollBar::valueChanged,
                    to->horizontalScrollBar(), &QScrollBar::setValue);
            connect(from->verticalScrollBar(), &QScrollBar::valueChanged, to->verticalScrollBar(),
                    &QScrollBar::setValue);
        }
        return pictures;
    }

    QScrollArea* Scroller(const QString& name, const QPixmap& pixmap) {
        auto* area = new QScrollArea(this);
        area->setObjectName(name);
        auto* label = new QLabel;
        label->setPixmap(pixmap);
        area->setWidget(label);
        area->setMinimumSize(192, 240);
        return area;
    }

    template <class Set, class Type, class Read>
    SliderRow AddRow(QGridLayout* grid, int at, const EffectRow& row, const QString& name, Set set,
                     Type type, Read read) {
        SliderRow made;
        made.slider = new QSlider(Qt::Horizontal, this);
        made.slider->setObjectName(name);
        made.slider->setRange(row.min, row.max);
        made.slider->setPageStep(row.largeStep);
        made.slider->setSingleStep(row.smallStep);
        made.slider->setValue(row.position);
        made.box = new QLineEdit(ToQt(row.text), this);
        made.box->setObjectName(name + QStringLiteral("Box"));
        made.box->setMaximumWidth(64);
        auto* caption = new QLabel(ToQt(row.caption), this);
        caption->setBuddy(made.slider);
        grid->addWidget(caption, at, 0);
        grid->addWidget(new QLabel(ToQt(row.minLabel), this), at, 1);
        grid->addWidget(made.slider, at, 2);
        grid->addWidget(new QLabel(ToQt(row.maxLabel), this), at, 3);
        grid->addWidget(made.box, at, 4);
        grid->setColumnStretch(2, 1);
        QSlider* slider = made.slider;
        QLineEdit* box = made.box;
        connect(slider, &QSlider::valueChanged, this, [=](int value) {
            set(value);
            if (!box->hasFocus()) box->setText(ToQt(read().text));
        });
        connect(box, &QLineEdit::textEdited, this, [=](const QString& text) {
            type(text.toStdString());
            const QSignalBlocker quiet(slider);
            slider->setValue(read().position);
        });
        connect(box, &QLineEdit::editingFinished, this, [=] { box->setText(ToQt(read().text)); });
        return made;
    }

    QWidget* MakeCompressor() {
        auto* group = new QGroupBox(QStringLiteral("JPEG Compressor"), this);
        auto* layout = new QVBoxLayout(group);
        auto* rows = new QGridLayout;
        quality_ = AddRow(
            rows, 0, session_.QualityRow(), QStringLiteral("quality"),
            [this](int v) { session_.SetQuality(v); },
            [this](const std::string& t) { session_.TypeQuality(t); },
            [this] { return session_.QualityRow(); });
        layout->addLayout(rows);
        auto* options = new QHBoxLayout;
        auto* progressive = new QCheckBox(QStringLiteral("&Progressive"), group);
        progressive->setObjectName(QStringLiteral("progressive"));
        progressive->setChecked(session_.Progressive());
        connect(progressive, &QCheckBox::toggled, this,
                [this](bool on) { session_.SetProgressive(on); });
        auto* subsample = new QCheckBox(QStringLiteral("S&ubsample"), group);
        subsample->setObjectName(QStringLiteral("subsample"));
        subsample->setChecked(session_.Subsample());
        connect(subsample, &QCheckBox::toggled, this,
                [this](bool on) { session_.SetSubsample(on); });
        options->addWidget(progressive);
        options->addWidget(subsample);
        auto* filters = new QGroupBox(QStringLiteral("&Smoothing filter"), group);
        auto* filterLayout = new QHBoxLayout(filters);
        auto* choice = new QButtonGroup(filters);
        const char* names[] = {"Standard", "Parametric", "Clean"};
        for (int n = 0; n < 3; ++n) {
            auto* button = new QRadioButton(QString::fromLatin1(names[n]), filters);
            button->setChecked(session_.Filter() == n);
            choice->addButton(button, n);
            filterLayout->addWidget(button);
        }
        connect(choice, &QButtonGroup::idClicked, this, [this](int n) { session_.SetFilter(n); });
        options->addWidget(filters, 1);
        layout->addLayout(options);
        auto* status = new QHBoxLayout;
        size_ = new QLabel(QStringLiteral("File size:"), group);
        size_->setObjectName(QStringLiteral("fileSize"));
        ratio_ = new QLabel(QStringLiteral("Compression ratio:"), group);
        ratio_->setObjectName(QStringLiteral("ratio"));
        status->addWidget(size_, 1);
        status->addWidget(ratio_, 1);
        layout->addLayout(status);
        return group;
    }

    QLayout* MakeButtons() {
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        auto* test = new QPushButton(QStringLiteral("&Test"), this);
        test->setObjectName(QStringLiteral("test"));
        test->setAutoDefault(false);
        connect(test, &QPushButton::clicked, this, [this] { Test(); });
        accept_ = new QPushButton(ToQt(session_.AcceptCaption()), this);
        accept_->setObjectName(QStringLiteral("accept"));
        accept_->setEnabled(session_.AcceptEnabled());
        connect(accept_, &QPushButton::clicked, this, [this] {
            session_.Accept();
            if (session_.Closed()) QDialog::accept();
        });
        auto* close = new QPushButton(QStringLiteral("Close"), this);
        close->setAutoDefault(false);
        connect(close, &QPushButton::clicked, this, [this] { reject(); });
        buttons->addWidget(test);
        buttons->addWidget(accept_);
        buttons->addWidget(close);
        return buttons;
    }

    void Test() {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        session_.Test();
        QApplication::restoreOverrideCursor();
        static_cast<QLabel*>(after_->widget())->setPixmap(PixmapOfRows(session_.AfterPixels()));
        after_->widget()->adjustSize();
        after_->horizontalScrollBar()->setValue(before_->horizontalScrollBar()->value());
        after_->verticalScrollBar()->setValue(before_->verticalScrollBar()->value());
        size_->setText(ToQt(session_.FileSizeText()));
        ratio_->setText(ToQt(session_.RatioText()));
        accept_->setEnabled(session_.AcceptEnabled());
    }

    JpegWizardSession& session_;
    QScrollArea* before_ = nullptr;
    QScrollArea* after_ = nullptr;
    SliderRow amount_;
    SliderRow quality_;
    QLabel* size_ = nullptr;
    QLabel* ratio_ = nullptr;
    QPushButton* accept_ = nullptr;
};

} // namespace

void RunQtJpegWizard(JpegWizardSession& session, QWidget* parent) {
    JpegWizardWindow window(session, parent);
    window.resize(768, 600);
    window.exec();
    if (!session.Closed()) session.Close();
}

} // namespace zv
