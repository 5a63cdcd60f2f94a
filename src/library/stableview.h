#pragma once

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QSqlRecord>
#include <QTableView>
#include <QUrl>

class QAction;
class QDrag;
class QMenu;

// One list of loops on screen: the library, one LoopList or one device memory.
// Starts loop-record drags, decides which drops it takes, and lets the user hide
// columns through the header's context menu.
class STableView : public QTableView
{
    Q_OBJECT
public:
    enum E_CONTENTTYPE
    {
        E_CONTENT_NONE = 0,
        E_CONTENT_LIBRARY = 1,
        E_CONTENT_LOOPLIST = 2,
        E_CONTENT_DEVICE_INTERNAL = 3,
        E_CONTENT_DEVICE_EXTERNAL = 4,
    };
    Q_ENUM(E_CONTENTTYPE)

    // Source ids of the views that do not show a LoopList.
    enum : int
    {
        E_SOURCE_LIBRARY = -1,
        E_SOURCE_DEVICE_INTERNAL = -2,
        E_SOURCE_DEVICE_EXTERNAL = -3,
    };

    explicit STableView(QWidget* parent = nullptr);
    ~STableView() override;

    void setModel(QAbstractItemModel* model) override;

    // The selected rows (column 0), ascending.
    QList<int> selectedRowsSorted() const;

    E_CONTENTTYPE contentType() const { return m_contentType; }
    void setContentType(E_CONTENTTYPE type) { m_contentType = type; }
    bool isDeviceView() const
    {
        return m_contentType == E_CONTENT_DEVICE_INTERNAL || m_contentType == E_CONTENT_DEVICE_EXTERNAL;
    }
    int sourceId() const { return m_sourceId; }
    void setSourceId(int id) { m_sourceId = id; }
    QString sourceKey() const { return m_sourceKey; }
    void setSourceKey(const QString& key) { m_sourceKey = key; }
    QObject* sourceObject() const { return m_sourceObject.data(); }
    void setSourceObject(QObject* object) { m_sourceObject = object; }
    QString sourceName() const { return m_sourceName; }
    void setSourceName(const QString& name) { m_sourceName = name; }

    // The header's column menu (six toggles: Length, Rating, Description, Artist, Genre, Tags).
    QMenu* columnMenu() const { return m_columnMenu; }
    // The row a drag is over (-1 none), and whether the drag was accepted.
    int dropRow() const { return m_dropRow; }
    bool isDragAccepted() const { return m_dragOver && m_accepted; }

Q_SIGNALS:
    // The receiver owns pLstRecord and deletes it.
    void recordsDropped(QPoint droppedAt, QList<QSqlRecord>* pLstRecord, QWidget* pSource, QWidget* pDestination);
    void recordsDropped(QList<QUrl> urls);
    void contextMenu(QPoint relativePos, QPoint globalPos);
    void mousePressed(int, const STableView*, int);

public Q_SLOTS:
    void onCustomContextMenuRequested(QPoint pos);
    void onTableHeaderMenuItemToggled(bool checked);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Whether a loop-record drag from source may land here.
    bool acceptsRecordsFrom(const STableView* source) const;
    // Whether non-record data may land here (files from the desktop on the library).
    bool acceptsOtherData(const QMimeData* data) const;
    void startRecordDrag();
    // Hides the columns whose menu toggle is off (again after each model reset).
    void applyColumnChoices();
    int rowAtPosition(const QPoint& pos) const;

    E_CONTENTTYPE m_contentType = E_CONTENT_NONE;
    int m_sourceId = E_SOURCE_LIBRARY;
    QString m_sourceKey;
    QPointer<QObject> m_sourceObject;
    QString m_sourceName;

    QPoint m_pressPoint;
    int m_pressRow = -1;
    QList<int> m_pressedRows;

    QMenu* m_columnMenu = nullptr;
    QList<QAction*> m_columnActions;

    QPointer<QDrag> m_currentDrag;
    bool m_dragOver = false;
    bool m_accepted = false;
    int m_dropRow = -1;
};
