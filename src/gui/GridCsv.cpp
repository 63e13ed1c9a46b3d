// CSV export of the album grid. The format is kept as files made by earlier versions expect it:
// GBK text, no header line, no quoting; apostrophes are dropped, double quotes doubled and a
// comma inside a cell written as ',' so that it does not split the cell.

#include <QFileDialog>
#include <QSaveFile>

#include "gui/MyGridCtrl.h"
#include "text/StringCtrl.h"

void CMyGridCtrl::ExportCsv() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("导出后，自行调整列宽(*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    // A file that cannot be written ends the export without a message.
    ExportCsvTo(dialog.selectedFiles().constFirst());
}

bool CMyGridCtrl::ExportCsvTo(const QString& path) const {
    // Written to a temporary file and renamed, so a failed export leaves no half file behind.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    // The first row (the header in the list layout) is never written.
    for (int row = 1; row < RowCount(); ++row) {
        QString line;
        for (int col = 0; col < columnCount(); ++col) {  // hidden columns too
            QString cell = CellText(row, col);
            cell.remove(u'\'');
            cell.replace(u'"', QStringLiteral("\"\""));
            cell.replace(u',', QStringLiteral("','"));
            line += cell;
            line += u',';
        }
        file.write(WideToGbk(line) + "\r\n");
    }
    return file.commit();
}
