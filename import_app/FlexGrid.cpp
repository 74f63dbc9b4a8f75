#include "import_app/FlexGrid.h"

#include <QHeaderView>

#include "import_app/Twips.h"
#include "import_support/RuntimeError.h"

FlexGrid::FlexGrid(QWidget* parent) : QTableWidget(1, 1, parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(TwipsToPixels(240));
}

void FlexGrid::SetRows(int rows) {
    if (rows < 0)
        throw vb::RuntimeError(vb::kInvalidProcedureCall);
    setRowCount(rows);
    if (row_ >= rows)
        row_ = std::max(0, rows - 1);
}

void FlexGrid::SetCols(int cols) {
    if (cols < 0)
        throw vb::RuntimeError(vb::kInvalidProcedureCall);
    setColumnCount(cols);
    if (col_ >= cols)
        col_ = std::max(0, cols - 1);
}

void FlexGrid::SetRow(int row) {
    if (row < 0 || row >= rowCount())
        throw vb::RuntimeError(vb::kSubscriptOutOfRange);
    row_ = row;
}

void FlexGrid::SetCol(int col) {
    if (col < 0 || col >= columnCount())
        throw vb::RuntimeError(vb::kSubscriptOutOfRange);
    col_ = col;
}

QTableWidgetItem* FlexGrid::CurrentItem() const {
    if (row_ >= rowCount() || col_ >= columnCount())
        throw vb::RuntimeError(vb::kSubscriptOutOfRange);
    return item(row_, col_);
}

QString FlexGrid::Text() const {
    QTableWidgetItem* cell = CurrentItem();
    return cell ? cell->text() : QString();
}

void FlexGrid::SetText(const QString& text) {
    QTableWidgetItem* cell = CurrentItem();
    if (cell) {
        cell->setText(text);
    } else {
        setItem(row_, col_, new QTableWidgetItem(text));
    }
}

void FlexGrid::SetColWidth(int col, int twips) {
    setColumnWidth(col, TwipsToPixels(twips));
}

void FlexGrid::Clear() {
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            if (QTableWidgetItem* cell = item(r, c))
                cell->setText(QString());
        }
    }
}
