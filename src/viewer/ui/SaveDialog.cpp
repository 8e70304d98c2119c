#include "viewer/ui/SaveDialog.h"

#include "platform/Extensions.h"
#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

namespace zv {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

// The types offered, as Qt names its filters: "Description (*.ext)".
QStringList TypeFilters(int imageBits) {
    QStringList filters;
    for (int type = 1; type <= OfferedSaveTypes(imageBits); ++type) {
        const SaveType& entry = SaveTypeAt(type);
        filters << ToQt(entry.description) + QStringLiteral(" (") + ToQt(entry.pattern) +
                       QLatin1Char(')');
    }
    return filters;
}

} // namespace

SaveImageDialog::SaveImageDialog(QWidget* parent, const SaveDialogRequest& request,
                                 std::function<void(int)> typeChosen)
    : QFileDialog(parent), filters_(TypeFilters(request.imageBits)),
      typeChosen_(std::move(typeChosen)) {
    setOption(QFileDialog::DontUseNativeDialog);
    SizeFileDialog(*this);
    // The name rule may still change the name, so the question is asked after it.
    setOption(QFileDialog::DontConfirmOverwrite);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setWindowTitle(ToQt(request.title));
    setDirectory(ToQt(request.initialFolder));
    setNameFilters(filters_);
    AddControls();
    quality_->setValue(ValidJpegQuality(request.quality));
    progressive_->setChecked(request.progressive);
    SelectType(SaveTypeOffered(request.type, request.imageBits) ? request.type : kSaveBmp);
    if (!request.fileName.empty()) selectFile(ToQt(request.fileName));
    connect(this, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        const int type = static_cast<int>(filters_.indexOf(filter)) + 1;
        if (type < 1) return;
        TypeChanged(type);
        if (typeChosen_) typeChosen_(type);
    });
}

void SaveImageDialog::AddControls() {
    quality_ = new QSpinBox;
    quality_->setRange(kMinJpegQuality, kMaxJpegQuality);
    progressive_ = new QCheckBox(QStringLiteral("Progressive"));
    wizard_ = new QPushButton(QStringLiteral("Wizard..."));
    connect(wizard_, &QPushButton::clicked, this, [this] { done(kWizardResult); });

    auto* row = new QHBoxLayout;
    auto* qualityLabel = new QLabel(QStringLiteral("&Quality:"));
    qualityLabel->setBuddy(quality_);
    row->addWidget(qualityLabel);
    row->addWidget(quality_);
    row->addWidget(progressive_);
    row->addStretch();
    row->addWidget(wizard_);
    // Qt's own file dialog lays itself out on a grid; the controls go below it.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addLayout(row, grid->rowCount(), 0, 1, grid->columnCount());
    else
        layout()->addItem(row);
}

int SaveImageDialog::SelectedType() const {
    return static_cast<int>(filters_.indexOf(selectedNameFilter())) + 1;
}

void SaveImageDialog::SelectType(int type) {
    if (type < 1 || type > filters_.size()) return;
    selectNameFilter(filters_[type - 1]);
    TypeChanged(type);
}

void SaveImageDialog::TypeChanged(int type) {
    quality_->setEnabled(SaveQualityEnabled(type));
    progressive_->setEnabled(SaveProgressiveEnabled(type));
    setDefaultSuffix(ToQt(SaveTypeAt(type).extension));
}

SaveDialogAnswer SaveImageDialog::Choice(int result) const {
    SaveDialogAnswer answer;
    answer.type = std::max(SelectedType(), 1);
    answer.quality = quality_->value();
    answer.progressive = progressive_->isChecked();
    if (result == kWizardResult) {
        answer.result = SaveDialogResult::Wizard;
    } else if (result == QDialog::Accepted && !selectedFiles().isEmpty()) {
        answer.result = SaveDialogResult::Save;
        answer.path = selectedFiles().constFirst().toStdString();
    }
    return answer;
}

int SaveTypeOfSource(const std::string& path, int imageBits) {
    const std::string extension = UpperExtension(path);
    int type = 0;
    if (ExtensionIn(extension, ".BMP"))
        type = kSaveBmp;
    else if (ExtensionIn(extension, ".PCX"))
        type = kSavePcx;
    else if (ExtensionIn(extension, ".PNG"))
        type = kSavePng;
    else if (ExtensionIn(extension, ".JPG.JPEG.JPE.JFIF"))
        type = imageBits == 8 ? kSaveJpegGrey : kSaveJpegColour;
    else if (ExtensionIn(extension, ".TGA"))
        type = kSaveTga;
    else if (ExtensionIn(extension, ".TIF.TIFF"))
        type = kSaveTiff;
    return type != 0 && SaveTypeOffered(type, imageBits) ? type : 0;
}

SaveDialogAnswer ShowSaveDialog(QWidget* parent, const SaveDialogRequest& request,
                                const std::function<void(int)>& typeChosen) {
    SaveImageDialog dialog(parent, request, typeChosen);
    const int result = dialog.exec();
    KeepFileDialogSize(dialog);
    return dialog.Choice(result);
}

Answer AskOverwriteQuestion(QWidget* parent, const std::string& text) {
    QApplication::beep();
    const auto button = QMessageBox::question(
        parent, QStringLiteral("Confirm"), ToQt(text),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No);
    if (button == QMessageBox::Yes) return Answer::Yes;
    if (button == QMessageBox::No) return Answer::No;
    return Answer::Cancel;
}

SaveCommandHooks SaveDialogHooks(QWidget* parent, SaveDialogState& state, Dialogs& dialogs) {
    SaveCommandHooks hooks;
    hooks.showDialog = [parent, &state, &dialogs](const SaveDialogRequest& request) {
        return ShowSaveDialog(parent, request, [&state, &dialogs](int type) {
            SaveTypeChosen(type, state, dialogs);
        });
    };
    hooks.askOverwrite = [parent](const std::string& text) {
        return AskOverwriteQuestion(parent, text);
    };
    return hooks;
}

} // namespace zv
