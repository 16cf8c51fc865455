#include "widgets/QtFileDialogs.h"

#include <QFileDialog>

#include "util/VornUtils.h"

QStringList ToNameFilters(const QString& AFilter) {
    const QStringList parts = AFilter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        // The description shows the patterns already; QFileDialog reads them
        // from the last parentheses, so give it the real ones there.
        filters.append(parts[i].contains('(') ? parts[i].left(parts[i].lastIndexOf('(')) + "(" +
                                                    patterns + ")"
                                              : parts[i] + " (" + patterns + ")");
    }
    return filters;
}

namespace {

void SelectFilter(QFileDialog& ADialog, const QStringList& AFilters, int AIndex) {
    if (AIndex >= 1 && AIndex <= AFilters.size())
        ADialog.selectNameFilter(AFilters[AIndex - 1]);
}

int SelectedFilterIndex(const QFileDialog& ADialog, const QStringList& AFilters) {
    const qsizetype i = AFilters.indexOf(ADialog.selectedNameFilter());
    return i < 0 ? 1 : static_cast<int>(i) + 1;
}

} // namespace

TOpenDialogResult TQtFileDialogs::Open(const TOpenDialogRequest& ARequest) {
    QFileDialog dialog(FParent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(ARequest.MultiSelect ? QFileDialog::ExistingFiles
                                            : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    const QStringList filters = ToNameFilters(ARequest.Filter);
    dialog.setNameFilters(filters);
    SelectFilter(dialog, filters, ARequest.FilterIndex);
    if (!ARequest.Directory.isEmpty())
        dialog.setDirectory(ARequest.Directory);
    TOpenDialogResult result;
    if (dialog.exec() != QDialog::Accepted)
        return result;
    result.Accepted = true;
    result.Files = dialog.selectedFiles();
    result.FilterIndex = SelectedFilterIndex(dialog, filters);
    return result;
}

TSaveDialogResult TQtFileDialogs::Save(const TSaveDialogRequest& ARequest) {
    QFileDialog dialog(FParent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = ToNameFilters(ARequest.Filter);
    dialog.setNameFilters(filters);
    SelectFilter(dialog, filters, ARequest.FilterIndex);
    dialog.setDefaultSuffix(ARequest.DefaultExt);
    if (!ARequest.FileName.isEmpty())
        dialog.selectFile(ARequest.FileName);
    // SaveDialogTypeChange: each filter brings its own default extension.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& AName) {
        const qsizetype i = filters.indexOf(AName);
        const QString ext = GetFilterExt(ARequest.Filter, static_cast<int>(i) + 1);
        dialog.setDefaultSuffix(ext == "*" ? QString() : ext);
    });
    TSaveDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.Accepted = true;
    result.File = dialog.selectedFiles().constFirst();
    result.FilterIndex = SelectedFilterIndex(dialog, filters);
    return result;
}

bool TQtFileDialogs::BrowseFolder(const QString& APrompt, QString& AFolder) {
    const QString folder = QFileDialog::getExistingDirectory(FParent, APrompt);
    if (folder.isEmpty())
        return false;
    AFolder = folder;
    return true;
}
