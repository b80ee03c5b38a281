#pragma once
// Pieces shared by the password dialogs: the password field (asterisks, at
// most 32 characters), push buttons named by their control id, and the
// dialog size given in dialog units.

#include <QString>
#include <string>

class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

QLineEdit* CreatePasswordField(QWidget* pParent, int nId);
QPushButton* CreateDialogButton(QWidget* pParent, const QString& strText, int nId);
// Dialog units as the dialog's font measures them (4 per average character
// width, 8 per character height).
void ResizeInDialogUnits(QDialog* pDialog, int nCx, int nCy);
// The field's text as Windows-1252; false when a character cannot be held.
bool ReadPasswordField(QLineEdit* pEdit, std::string& strAnsi);
