#include "searchbox.h"

#include "outlinebuilder.h"
#include "outlinetab.h"
#include "outlinetree.h"
#include "parentstack.h"
#include "waitcursor.h"

#include "resources/biditext.h"
#include "resources/roamstrings.h"

#include "cfile.h"
#include "roamstore.h"

#include <QAction>
#include <QKeyEvent>
#include <QStringMatcher>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Its Hebrew twin is 500 higher.
constexpr int SearchPlaceholderId = 152;

} // namespace

SearchBox::SearchBox(OutlineTree &tree, OutlineBuilder &builder, RoamStore &store, QWidget *parent)
    : QLineEdit(parent)
    , m_tree(tree)
    , m_builder(builder)
    , m_store(store)
{
    setObjectName(u"SearchBox"_s);
    setPlaceholderText(u"Search titles, URLs and notes"_s);
    setClearButtonEnabled(true);
    m_pause.setSingleShot(true);
    m_pause.setInterval(PauseMs);
    connect(this, &QLineEdit::textEdited, &m_pause, qOverload<>(&QTimer::start));
    connect(&m_pause, &QTimer::timeout, this, [this] { Search(text()); });
    // The clear button and programmatic changes empty the box without an edit.
    connect(this, &QLineEdit::textChanged, this, [this](const QString &now) {
        if (now.trimmed().isEmpty() && m_showing) {
            m_pause.stop();
            Search(QString());
        }
    });
}

void SearchBox::AddFindShortcut(QWidget *scope)
{
    auto *focusSearch = new QAction(this);
    focusSearch->setShortcut(QKeySequence::Find);
    focusSearch->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    scope->addAction(focusSearch);
    connect(focusSearch, &QAction::triggered, this, [this] {
        if (!isVisible())
            return;
        setFocus(Qt::ShortcutFocusReason);
        selectAll();
    });
}

void SearchBox::LoadTexts(qint16 langOffset)
{
    setPlaceholderText(
        RoamStrings::text(SearchPlaceholderId + langOffset).value_or(placeholderText()));
}

bool SearchBox::matches(const std::vector<QStringMatcher> &words, const CFile &file)
{
    // The decoded URL is made only when needed: most URLs hold no escapes.
    QString readable;
    bool decoded = false;
    for (const QStringMatcher &word : words) {
        if (word.indexIn(file.Title) >= 0 || word.indexIn(file.URL()) >= 0
            || word.indexIn(file.Note) >= 0)
            continue;
        if (!decoded) {
            decoded = true;
            if (file.URL().contains(u'%'))
                readable = BidiText::readableUrl(file.URL());
        }
        if (readable.isEmpty() || word.indexIn(readable) < 0)
            return false;
    }
    return true;
}

int SearchBox::Search(const QString &text)
{
    m_pause.stop();
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        if (m_showing) {
            m_showing = false;
            emit cleared();
        }
        return 0;
    }
    const WaitCursor wait;
    // One matcher per word, made once for all records.
    std::vector<QStringMatcher> matchers;
    for (const QString &word : words)
        matchers.emplace_back(word, Qt::CaseInsensitive);
    m_textMatches = m_textSearch ? m_textSearch(text) : QHash<QString, QString>();
    CFiles &files = m_store.Files;
    // Hits and, by path, the records above them, in the records' (URL) order, which is the
    // order the nesting needs.
    int found = 0;
    const std::vector<char> shown = OutlineBuilder::MarkShown(
        files,
        [&](const CFile &file) {
            return matches(matchers, file) || m_textMatches.contains(file.URL().toLower());
        },
        &found);

    m_tree.Clear();
    m_builder.AddRootNode(u"Query"_s, outlineTabImage(u"Query"));
    m_builder.NewOutlineNodes();
    ParentStack stack(m_tree);
    stack.Reset(1);
    const bool openAll = found <= OpenAllUpTo;
    for (int pos = 1; pos <= files.Count(); ++pos) {
        if (shown[size_t(pos)] == 0)
            continue;
        const CFilePtr file = files.Item(pos);
        const QString title = file->Title.trimmed().isEmpty() ? file->URL() : file->Title;
        const int parent = stack.ParentFor(file->URL(), file->Level());
        const int index = m_builder.AddSiteNode(parent, *file, file->URL(), title);
        if (index == 0)
            continue;
        stack.Place(file->Level(), index);
        if (openAll)
            m_tree.Node(index)->setExpanded(true);
    }
    // Any other tag only finishes: the root opened.
    m_builder.BuildOutline(u"Query"_s);
    m_showing = true;
    emit searched(found);
    return found;
}

bool SearchBox::Drop()
{
    const bool showing = m_showing;
    m_pause.stop();
    m_showing = false;
    clear();
    return showing;
}

void SearchBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && !text().isEmpty()) {
        clear();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
