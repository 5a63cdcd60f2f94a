#pragma once

#include "views/srememberedview.h"

#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QHBoxLayout;

// One entry of the resource view: the Library entry, or a coloured, renamable
// LoopList that remembers how the content view last showed it.
class SLoopList : public QWidget, public SRememberedView
{
    Q_OBJECT
public:
    explicit SLoopList(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags(), bool isLibrary = false);
    ~SLoopList() override;

    // The seven LoopList colours; looplists.color indexes them.
    static const QStringList& colors();
    static int colorCount() { return 7; }
    // The colour the next new LoopList takes (kept across runs).
    static int nextColorIndex();
    static void setNextColorIndex(int index);
    // Returns the next colour and moves on to the one after it.
    static int takeNextColorIndex();
    // The next colour remembered from an earlier run, or -1.
    static int storedNextColorIndex();
    // Letters, digits, blank and ~`!@#$%^&()[]{}-_,.; up to 30 characters.
    static const QString& namePattern();

    bool isLibrary() const { return m_isLibrary; }
    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    // The label text.
    QString name() const;
    // Label and line edit.
    void setName(const QString& name);
    int colorIndex() const { return m_colorIndex; }
    void setColorIndex(int index);
    bool isSelected() const { return m_selected; }
    // True while the name is being edited.
    bool isRenaming() const;

    QPushButton* colorButton() const { return m_colorButton; }
    QLineEdit* lineEdit() const { return m_lineEdit; }
    QLabel* nameLabel() const { return m_label; }
    QMenu* contextMenu() const { return m_contextMenu.data(); }

Q_SIGNALS:
    void librarySelected();
    void mousePressed(SLoopList*);
    void mouseDoubleClicked(SLoopList*);
    void deleteClicked(SLoopList*);
    void renamed();
    void colorChanged(int);
    void copied(SLoopList*);

public Q_SLOTS:
    void onMousePressed(SLoopList* pSender);
    void onMouseDoubleClicked(SLoopList* pSender);
    void onReturnPressed();
    void onColorButtonPressed();
    void onClickedRename();
    void onDeleteClicked();
    void onCopyClicked();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void styleColorButton();
    void enterRenameMode();
    // Commits a non-empty, changed name (emits renamed()) and leaves rename mode.
    void leaveRenameMode(bool commit);

    bool m_selected = true;
    int m_colorIndex = 0;
    bool m_isLibrary = false;
    int m_id = -1;
    QPoint m_pressPoint;

    QHBoxLayout* m_layout = nullptr;
    QPushButton* m_colorButton = nullptr;
    QLineEdit* m_lineEdit = nullptr;
    QLabel* m_label = nullptr;
    QPointer<QMenu> m_contextMenu;
    QAction* m_renameAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_copyAction = nullptr;
};
