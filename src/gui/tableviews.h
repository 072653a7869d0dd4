#pragma once

class QAbstractItemModel;
class QTableView;

// Puts `model` on `view` in place of the one it showed. The new model leaves no current
// row behind, so an action right after a reload acts on nothing rather than on whatever
// row now sits where the old one was. The old model and its selection are deleted once
// the event loop comes back: a reload can run inside a handler that still uses them.
void replaceModel(QTableView *view, QAbstractItemModel *model);
