#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class NavigationRecorder;
class PageTextIndex;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QWidget;
class RoamSettings;

/// The panel's side of the text kept of visited pages: the index in the data folder, the
/// Options page's "Keep the text of pages" box and "Forget all page text" button, and the
/// searches and deletions the panel makes in it.
class PageTextPanel final : public QObject
{
    Q_OBJECT

public:
    /// Makes the frame with the option's controls inside @p optionsPage; `open` opens the index.
    PageTextPanel(RoamSettings &settings, QWidget *optionsPage);
    ~PageTextPanel() override;

    /// Opens (or creates) the index of @p dataFolder; a problem with it is reported by
    /// `problemFound`, never fatal.
    void open(const QString &dataFolder, bool readOnly);

    /// The index, nullptr before `open` or when it cannot be opened.
    PageTextIndex *index() const;
    /// Whether "Keep the text of pages" is on.
    bool keeps() const;
    /// Whether the text of the page at @p url is to be kept now: the option is on, @p recorder
    /// records and none of its never-record rules covers the page.
    bool keepsFor(const QString &url, const NavigationRecorder &recorder) const;
    /// Asked on a click of "Forget all page text": the text is forgotten only on true.
    void SetForgetConfirm(std::function<bool()> confirm) { m_confirmForget = std::move(confirm); }

    /// Forgets the text of the pages keyed @p keys.
    void forget(const QStringList &keys);
    /// Forgets the text of every page.
    void forgetAll();
    /// The pages whose text or title hold every word of @p words: snippet by lower-cased key.
    QHash<QString, QString> search(const QString &words) const;

    QGroupBox *frame() const { return m_frame; }
    QCheckBox *keepBox() const { return m_keep; }
    QPushButton *forgetButton() const { return m_forget; }

signals:
    /// The index file was damaged and replaced, or cannot be used; @p message says so.
    void problemFound(const QString &message);

private:
    RoamSettings &m_settings;
    std::unique_ptr<PageTextIndex> m_index;
    QGroupBox *m_frame = nullptr;
    QCheckBox *m_keep = nullptr;
    QPushButton *m_forget = nullptr;
    std::function<bool()> m_confirmForget;
};
