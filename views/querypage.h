#pragma once

#include <QFrame>
#include <QHash>
#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>

class OutlineBuilder;
class OutlineTree;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QueryBuilder;
class RoamStore;

/// The Query page `qrFrame`: either the sites files were downloaded from (one site, or all,
/// optionally since a date) or the sites whose URL, title, note or kept page text holds a
/// string. "Search" (or Enter in a field) hides the page and shows the sites found in the tree.
class QueryPage final : public QFrame
{
    Q_OBJECT

public:
    /// Searches the kept page text for @p words: the snippet of each page found, by lower-cased
    /// URL.
    using TextSearch = std::function<QHash<QString, QString>(const QString &words)>;

    /// The page of @p panel over @p store, showing its results in @p tree; @p changingTree is
    /// the panel's flag that marks the tree's changes as its own.
    QueryPage(OutlineTree &tree,
              OutlineBuilder &builder,
              RoamStore &store,
              bool &changingTree,
              QWidget *panel);
    ~QueryPage() override;

    void SetTextSearch(TextSearch search) { m_textSearch = std::move(search); }
    /// Places the controls in the page's own 1000 by 1000 scale, mirrored for @p direction
    /// right to left.
    void Arrange(Qt::LayoutDirection direction);
    /// The placeholders in the language of @p langOffset.
    void LoadTexts(qint16 langOffset);
    /// The page-text snippets of the sites the last search found, by lower-cased URL.
    const QHash<QString, QString> &Snippets() const { return m_snippets; }

signals:
    /// The results are about to replace the page in the tree.
    void searching();
    /// The number of sites found, for the status bar.
    void statusText(const QString &text);
    /// The question is incomplete: what is missing.
    void messageRaised(QMessageBox::Icon icon, const QString &text);

private:
    bool queryIsComplete();
    void qryResults_Click();
    void BuildQueryOutline();
    QString text(int id) const;

    OutlineTree &m_tree;
    OutlineBuilder &m_builder;
    bool &m_changingTree;
    std::unique_ptr<QueryBuilder> m_query;
    TextSearch m_textSearch;
    QHash<QString, QString> m_snippets;
    qint16 m_langOffset = 0;

    QComboBox *m_qrySiteCbo = nullptr;
    QGroupBox *m_qryFrame = nullptr;
    QList<QRadioButton *> m_qryOpt1;
    QLineEdit *m_qryString = nullptr;
    QList<QRadioButton *> m_qryOpt;
    QLineEdit *m_qryDate1 = nullptr;
    QPushButton *m_qryResults = nullptr;
    QLabel *m_qryLabel1 = nullptr;
    QLabel *m_qryLabel2 = nullptr;
    QLabel *m_qryLabel3 = nullptr;
};
