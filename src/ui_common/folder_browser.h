#pragma once

#include <QString>

class QWidget;

// The platform's folder dialog, folders only, opening in `start` when given:
// the chosen folder's full path, or "" when the user cancels.
QString ChooseFolder(QWidget *owner, const QString &prompt, const QString &start = {});
