#include "tableviews.h"

#include <QItemSelectionModel>
#include <QTableView>

void replaceModel(QTableView *view, QAbstractItemModel *model)
{
    QAbstractItemModel *previousModel = view->model();
    QItemSelectionModel *previousSelection = view->selectionModel();
    view->setModel(model);
    // A once-only time such as "2014年3月5日 9:07" is wider than a column's default width.
    view->resizeColumnToContents(0);
    if (previousSelection)
        previousSelection->deleteLater();
    if (previousModel)
        previousModel->deleteLater();
}
