#pragma once

class QTreeView;

// Column widths of a report list. Columns count from 1. The width is pixels,
// or -1 to fit the contents, or -2 to fit the wider of contents and header
// text. A column outside 1…count is left alone.
namespace MListView {

inline constexpr int FitContents = -1;
inline constexpr int FitContentsAndHeader = -2;

void SetColumnWidth(QTreeView *list, int column, int width);
void SetAllColumnWidths(QTreeView *list, int width);

}  // namespace MListView
