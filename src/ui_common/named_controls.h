#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// Controls carry the names the windows' design gives them as objectNames,
// so tests and readers find them by those names.

// A push button that Enter in a text box does not press by itself.
QPushButton *NamedButton(QWidget *parent, const QString &name, const QString &caption);
QLabel *NamedLabel(QWidget *parent, const QString &name, const QString &caption);
