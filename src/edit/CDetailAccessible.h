#pragma once
// What assistive technology sees of the detail view: a list with one item
// per row (its keyword as name, its text as value, folder or entry and its
// link as description, the current row selected and focused) and the two
// editors laid over the current row, named "Stichwort" and "Text".

class QAccessibleInterface;
class QObject;
class QString;

// The factory for QAccessible::installFactory; answers for CDetailView only.
QAccessibleInterface* DetailViewAccessibleFactory(const QString& strClassName, QObject* pObject);
