#pragma once

#include <QList>
#include <QScrollArea>

class NavigationRecorder;
class OutlineBuilder;
class PageTextPanel;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class RoamSettings;

/// The panel's Options page: when to quit the browser, titles or URLs in the tree, "Stay on
/// top", the Hebrew switch, the never-record list and the kept page text. Every choice is
/// stored the moment it changes. In a short window the page scrolls instead of squeezing its
/// frames over each other.
class OptionsPage final : public QScrollArea
{
    Q_OBJECT

public:
    /// The page of @p panel; the never-record rules go to @p recorder, the tree's choice of
    /// titles or URLs to @p builder.
    OptionsPage(RoamSettings &settings,
                NavigationRecorder &recorder,
                OutlineBuilder &builder,
                QWidget *panel);

    /// Checks the options as stored and hands the never-record rules to the recorder.
    void LoadSettings();
    /// The placeholder of the never-record field in the language of @p langOffset.
    void LoadTexts(qint16 langOffset);
    /// Shows or hides the page with every control on it.
    void ShowPage(bool visible);

    /// The page inside the scroll area.
    QWidget *Page() const { return m_page; }
    PageTextPanel *PageText() const { return m_pageText; }
    /// Whether "Stay on top" is checked now.
    bool OnTopChecked() const;
    /// 0 never quit, 1 always quit, 2 ask.
    qint16 QuitMode() const { return m_quitMode; }
    /// 0 titles in the tree, 1 URLs.
    qint16 UrlOrDescChoice() const { return m_urlOrDescChoice; }
    /// Checks or clears "Hebrew" without storing it.
    void SetHebrewChecked(bool checked);

signals:
    /// "Stay on top" was checked.
    void OnTop();
    /// "Stay on top" was cleared.
    void NotOnTop();
    /// "Hebrew" was checked (500) or cleared (0); the choice is already stored.
    void languageChosen(qint16 langOffset);

private:
    void createNeverRecordFrame();
    void ckAlwayesOnTop_Click();
    void Language_Click();
    void Option1_Click(int Index);
    void UrlOrDesc_Click(int Index);
    void neverRecordAdd();
    void neverRecordRemove();
    void neverRecordChanged();

    RoamSettings &m_settings;
    NavigationRecorder &m_recorder;
    OutlineBuilder &m_builder;
    qint16 m_quitMode = 2;
    qint16 m_urlOrDescChoice = 0;

    QWidget *m_page = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QGroupBox *m_frame2 = nullptr;
    QGroupBox *m_frame3 = nullptr;
    QLabel *m_picture1 = nullptr;
    QList<QRadioButton *> m_option1;
    QCheckBox *m_ckAlwayesOnTop = nullptr;
    QList<QRadioButton *> m_urlOrDesc;
    QCheckBox *m_language = nullptr;
    QGroupBox *m_neverFrame = nullptr;
    QListWidget *m_neverList = nullptr;
    QLineEdit *m_neverEdit = nullptr;
    QPushButton *m_neverAdd = nullptr;
    QPushButton *m_neverRemove = nullptr;
    PageTextPanel *m_pageText = nullptr;
};
