#include "app/ui/StatusForm.h"

#include "platform/ProgramTitle.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv {

TStatusForm::TStatusForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    auto* layout = new QVBoxLayout(this);
    text_ = new QLabel(this);
    text_->setMinimumWidth(320);
    layout->addWidget(text_);
    for (auto*& bar : bars_) {
        bar = new QProgressBar(this);
        bar->setRange(0, 100);
        layout->addWidget(bar);
    }
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &TStatusForm::CancelClick);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
}

void TStatusForm::Update() {
    text_->setText(QString::fromStdString(Text()));
    for (int bar = 0; bar < 2; ++bar) bars_[bar]->setValue(Percent(bar));
    QCoreApplication::processEvents();
}

void TStatusForm::CancelClick() {
    RequestStop();
}

void TStatusForm::reject() {
    RequestStop();
}

} // namespace zv
