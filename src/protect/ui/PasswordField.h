#pragma once
// Pieces shared by the password dialogs: the password field (asterisks, at
// most 32 characters, only what Windows-1252 can hold), push buttons named
// by their control id, the layout of label/field rows beside a column of
// buttons, and the dialog size given in dialog units.

#include <QString>
#include <string>
#include <utility>
#include <vector>

class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

// A character Windows-1252 cannot hold is refused as it is typed or pasted,
// with this notice beside the field.
extern const QString PASSWORD_CHARACTER_REFUSED;
QLineEdit* CreatePasswordField(QWidget* pParent, int nId);
QPushButton* CreateDialogButton(QWidget* pParent, const QString& strText, int nId);
// Rows of label and field on the left, the buttons stacked on the right.
void LayOutPasswordDialog(QDialog* pDialog, const std::vector<std::pair<QString, QLineEdit*>>& arrRows,
                          const std::vector<QPushButton*>& arrButtons);
// Dialog units as the dialog's font measures them (4 per average character
// width, 8 per character height), but never so small that a field, a
// button or the caption is cut. Call once the caption is final.
void ResizeInDialogUnits(QDialog* pDialog, int nCx, int nCy);
// The field's text as Windows-1252; false when a character cannot be held.
bool ReadPasswordField(QLineEdit* pEdit, std::string& strAnsi);
