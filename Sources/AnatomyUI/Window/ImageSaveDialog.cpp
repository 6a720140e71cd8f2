#include "AnatomyUI/Window/ImageSaveDialog.h"

#include "AnatomyUI/Internal/FileDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace morvena {

namespace {

const QString pngExtension = QStringLiteral(".png");

} // namespace

ImageSaveDialog::ImageSaveDialog(
    const std::filesystem::path& folder, const std::string& fileName, QWidget* parent)
    : QFileDialog(parent, QStringLiteral("Esporta immagine"))
{
    FileDialogs::prepare(*this);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(QStringLiteral("Immagine PNG (*.png)"));
    setDirectory(QFile::decodeName(QByteArray::fromStdString(folder.string())));
    selectFile(QString::fromStdString(fileName));
}

QString ImageSaveDialog::withPNGExtension(const QString& name)
{
    return name.endsWith(pngExtension, Qt::CaseInsensitive) ? name : name + pngExtension;
}

void ImageSaveDialog::accept()
{
    const QStringList typed = selectedFiles();
    // A folder is entered by Qt's own dialog.
    if (typed.isEmpty() || QFileInfo(typed.front()).isDir()) {
        QFileDialog::accept();
        return;
    }
    // The typed name is in the dialog's own name field, which is what it reads when it
    // checks the name and asks about replacing a file.
    auto* nameField = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString name = nameField ? withPNGExtension(nameField->text()) : typed.front();
    // Qt would take "inesistente/" as the name ".png" in a folder that is not there and
    // close; the writing would fail after it. The folder is that of the file Qt chose,
    // which has "~/" read as the home folder.
    const QString folder = QFileInfo(withPNGExtension(typed.front())).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        QMessageBox::warning(this, windowTitle(),
            QStringLiteral("La cartella «%1» non esiste.").arg(QDir::toNativeSeparators(folder)));
        return;
    }
    if (nameField)
        nameField->setText(name);
    QFileDialog::accept();
}

std::optional<std::filesystem::path> ImageSaveDialog::ask(
    const std::filesystem::path& folder, const std::string& fileName, QWidget* parent)
{
    ImageSaveDialog dialog(folder, fileName, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // Without the name field (another Qt) the extension is still added here.
    const QString chosen = withPNGExtension(dialog.selectedFiles().front());
    return std::filesystem::path(QFile::encodeName(chosen).toStdString());
}

} // namespace morvena
