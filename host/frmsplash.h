#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class RoamSettings;

/**
 * The start window, shown while the main window and the browser are being created. Its load
 * reads the language of every host caption; OK shows the main window, Help the help text.
 * Both buttons stay hidden until the main window exists.
 */
class frmSplash final : public QWidget
{
    Q_OBJECT

public:
    explicit frmSplash(QWidget *parent = nullptr);

    /**
     * Reads the language offset from @p settings and loads the captions with it. Setup/Path is
     * left as stored: the data folder is per user, never the program's folder, which is not
     * writable.
     */
    void Form_Load(const RoamSettings &settings);
    /// 0 English, 500 Hebrew; set by Form_Load.
    qint16 LangOffset() const { return m_langOffset; }
    /// Shows OK and Help: the main window is there.
    void showButtons();

    QPushButton *Command2() const { return m_command2; }
    QPushButton *Command4() const { return m_command4; }

signals:
    /// OK: the main window is to show; the start window closes.
    void Command2_Click();
    /// Help: the help window is to show.
    void Command4_Click();

private:
    void showProduct();

    QFrame *m_fraMainFrame = nullptr;
    QLabel *m_logo = nullptr;
    QLabel *m_product = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_command4 = nullptr;
    qint16 m_langOffset = 0;
};
