#pragma once

#include <QWidget>

class QComboBox;
class QLabel;

// Title bar of a content pane in split view: the pane's source chooser between
// two decorative images.
class SContentViewTitleBar : public QWidget
{
    Q_OBJECT
public:
    explicit SContentViewTitleBar(QWidget* parent = nullptr);

    QComboBox* comboBox() const { return m_comboBox; }

private:
    QLabel* m_leftImage = nullptr;
    QComboBox* m_comboBox = nullptr;
    QLabel* m_rightImage = nullptr;
};
