#include "platform/qt/QtDialogs.h"

#include "platform/qt/QtEffectDialog.h"
#include "platform/qt/QtJpegWizard.h"
#include "platform/qt/QtNumberDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace zv {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

QMessageBox::Icon IconOf(BoxKind kind) {
    switch (kind) {
    case BoxKind::Information: return QMessageBox::Information;
    case BoxKind::Warning: return QMessageBox::Warning;
    case BoxKind::Error: return QMessageBox::Critical;
    case BoxKind::Question:
    case BoxKind::Confirmation: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString TitleOf(BoxKind kind) {
    switch (kind) {
    case BoxKind::Information: return QStringLiteral("Information");
    case BoxKind::Warning: return QStringLiteral("Warning");
    case BoxKind::Error: return QStringLiteral("Error");
    case BoxKind::Question:
    case BoxKind::Confirmation: return QStringLiteral("Confirm");
    }
    return {};
}

// "Description|*.a;*.b|Other|*.c" to Qt's "Description (*.a *.b);;Other (*.c)".
QStringList QtFilters(const std::string& filter) {
    const QStringList parts = ToQt(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

constexpr QSize kSmallestFileDialog(800, 500);
QSize lastFileDialogSize; // in this run

void PrepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    SizeFileDialog(dialog);
    dialog.setWindowTitle(ToQt(request.title));
    dialog.setDirectory(ToQt(request.initialFolder));
    const QStringList filters = QtFilters(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (!request.fileName.empty()) dialog.selectFile(ToQt(request.fileName));
}

void TakeChoice(const QFileDialog& dialog, FileDialogRequest& request) {
    request.filterIndex =
        static_cast<int>(QtFilters(request.filter).indexOf(dialog.selectedNameFilter()) + 1);
    request.initialFolder = dialog.directory().absolutePath().toStdString();
}

// Shows the dialog over its parent (Qt centres it there) and keeps its size.
int ExecFileDialog(QFileDialog& dialog) {
    const int result = dialog.exec();
    KeepFileDialogSize(dialog);
    return result;
}

} // namespace

void SizeFileDialog(QFileDialog& dialog) {
    dialog.resize(lastFileDialogSize.isValid() ? lastFileDialogSize
                                               : kSmallestFileDialog.expandedTo(dialog.size()));
}

void KeepFileDialogSize(const QFileDialog& dialog) {
    lastFileDialogSize = dialog.size();
}

QWidget* QtDialogs::Parent() const {
    QWidget* parent = parent_ ? parent_() : nullptr;
    return parent ? parent : QApplication::activeWindow();
}

Answer QtDialogs::Box(BoxKind kind, const std::string& text, Buttons buttons) {
    QMessageBox box(IconOf(kind), TitleOf(kind), ToQt(text), QMessageBox::NoButton, Parent());
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::OkIgnore: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Ignore); break;
    case Buttons::YesNoIgnore:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ignore);
        break;
    case Buttons::OkCancelIgnore:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Ignore);
        break;
    case Buttons::SaveDiscardCancel:
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Ignore: return Answer::Ignore;
    case QMessageBox::Save: return Answer::Save;
    case QMessageBox::Discard: return Answer::Discard;
    default:
        return buttons == Buttons::OkCancel || buttons == Buttons::OkCancelIgnore ||
                       buttons == Buttons::SaveDiscardCancel || buttons == Buttons::YesNoCancel
                   ? Answer::Cancel
                   : Answer::Ok;
    }
}

std::vector<std::string> QtDialogs::OpenFiles(FileDialogRequest& request) {
    QFileDialog dialog(Parent());
    PrepareFileDialog(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
    if (ExecFileDialog(dialog) != QDialog::Accepted) return {};
    TakeChoice(dialog, request);
    std::vector<std::string> paths;
    for (const QString& file : dialog.selectedFiles()) paths.push_back(file.toStdString());
    return paths;
}

std::optional<std::string> QtDialogs::SaveFile(FileDialogRequest& request) {
    QFileDialog dialog(Parent());
    PrepareFileDialog(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The program asks its own overwrite question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (ExecFileDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    TakeChoice(dialog, request);
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtDialogs::BrowseFolder(const std::string& caption,
                                                   const std::string& text,
                                                   const std::string& initialFolder) {
    QFileDialog dialog(Parent(), ToQt(caption), ToQt(initialFolder));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::LookIn, ToQt(text));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<ColourRef> QtDialogs::ChooseColour(ColourRef initial) {
    const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
    const QColor chosen = QColorDialog::getColor(start, Parent());
    if (!chosen.isValid()) return std::nullopt;
    return static_cast<ColourRef>(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
}

bool QtDialogs::ChooseFont(FontChoice& font) {
    QFont start(ToQt(font.family), font.points, font.bold ? QFont::Bold : QFont::Normal,
                font.italic);
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, start, Parent());
    if (!accepted) return false;
    font.family = chosen.family().toStdString();
    font.points = chosen.pointSize();
    font.bold = chosen.bold();
    font.italic = chosen.italic();
    return true;
}

std::optional<std::string> QtDialogs::AskText(const std::string& title, const std::string& prompt,
                                              const std::string& initial) {
    bool accepted = false;
    const QString text = QInputDialog::getText(Parent(), ToQt(title), ToQt(prompt),
                                               QLineEdit::Normal, ToQt(initial), &accepted);
    if (!accepted) return std::nullopt;
    return text.toStdString();
}

void QtDialogs::EffectDialog(EffectDialogSession& session) {
    RunQtEffectDialog(session, Parent());
}

void QtDialogs::JpegWizard(JpegWizardSession& session) {
    RunQtJpegWizard(session, Parent());
}

void QtDialogs::ParameterDialog(ParameterDialogModel& model) {
    RunQtParameterDialog(model, Parent());
}

void QtDialogs::GridDialog(GridDialogModel& model) {
    RunQtGridDialog(model, Parent());
}

void QtDialogs::SizeDialog(SizeDialogModel& model) {
    RunQtSizeDialog(model, Parent());
}

} // namespace zv
