// A grid with the programming model of the classic flex grid: a number of rows and columns, fixed
// rows, a current cell (Row, Col) whose Text is read and written, column widths in twips, and
// Clear. Drawn by a QTableWidget without headers.
#pragma once

#include <QString>
#include <QTableWidget>

class FlexGrid : public QTableWidget {
  public:
    explicit FlexGrid(QWidget* parent = nullptr);

    int Rows() const { return rowCount(); }
    void SetRows(int rows);
    int Cols() const { return columnCount(); }
    void SetCols(int cols);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int rows) { fixedRows_ = rows; }

    int Row() const { return row_; }
    void SetRow(int row);
    int Col() const { return col_; }
    void SetCol(int col);

    // The text of the current cell.
    QString Text() const;
    void SetText(const QString& text);

    // Sets a column's width in twips (15 twips to a pixel).
    void SetColWidth(int col, int twips);

    // Empties the text of every cell; the grid keeps its size.
    void Clear();

  private:
    QTableWidgetItem* CurrentItem() const;

    int row_ = 0;
    int col_ = 0;
    int fixedRows_ = 0;
};
