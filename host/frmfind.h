#pragma once

#include <QDialog>

class PanelLink;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

/**
 * The find window: a text and whether to look in the recorded URLs or titles, handed to the
 * panel's Find. Exit only hides it, so the next time it shows with the text and the choice as
 * they were; the main window deletes it when it closes.
 */
class frmFind final : public QDialog
{
    Q_OBJECT

public:
    /// Searches through @p panel, which must outlive the window; captions in @p langOffset.
    /// The window keeps the focus after a search (Enter searches again, Escape closes it);
    /// when nothing is found it says "Not found" under the text.
    frmFind(PanelLink &panel, qint16 langOffset, QWidget *parent = nullptr);

    QLineEdit *txtFindString() const { return m_txtFindString; }
    /// Index 1 titles, index 2 URLs; nullptr for any other index.
    QRadioButton *optFindURL(int index) const;
    QPushButton *cmdFind() const { return m_cmdFind; }
    QPushButton *cmdNext() const { return m_cmdNext; }
    QPushButton *cmdExit() const { return m_cmdExit; }
    /// The answer of the last search: "Not found", or empty after a hit.
    QLabel *lblResult() const { return m_lblResult; }

    /// Searches from the start of the outline.
    void cmdFind_Click();
    /// Searches on from the node selected.
    void cmdNext_Click();
    /// Loads the captions again in the language of @p langOffset.
    void setLangOffset(qint16 langOffset);
    /// Hides the window; it keeps its text and choice.
    void cmdExit_Click();

    /// Escape is Exit.
    void reject() override;

private:
    void find(bool start);

    PanelLink &m_panel;
    QLabel *m_label1 = nullptr;
    QLabel *m_lblResult = nullptr;
    qint16 m_langOffset = 0;
    QLineEdit *m_txtFindString = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QRadioButton *m_optTitles = nullptr;
    QRadioButton *m_optUrls = nullptr;
    QPushButton *m_cmdFind = nullptr;
    QPushButton *m_cmdNext = nullptr;
    QPushButton *m_cmdExit = nullptr;
};
