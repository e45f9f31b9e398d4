#include "querypage.h"

#include "outlinebuilder.h"
#include "outlinetab.h"
#include "outlinetree.h"
#include "querybuilder.h"
#include "waitcursor.h"

#include "resources/captionloader.h"
#include "resources/roamstrings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

enum TextId {
    NoStringToFindId = 28,
    DatePlaceholderId = 65,
    StringPlaceholderId = 71,
    NoFieldChosenId = 126,
    SitesFoundId = 127,
};

} // namespace

QueryPage::QueryPage(OutlineTree &tree,
                     OutlineBuilder &builder,
                     RoamStore &store,
                     bool &changingTree,
                     QWidget *panel)
    : QFrame(panel)
    , m_tree(tree)
    , m_builder(builder)
    , m_changingTree(changingTree)
    , m_query(std::make_unique<QueryBuilder>(tree, builder, store))
{
    setObjectName(u"qrFrame"_s);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);

    const auto label = [this](const QString &name, const QString &text, const QString &tag) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        l->setTextFormat(Qt::PlainText);
        CaptionLoader::setTag(l, tag);
        return l;
    };
    m_qryLabel1 = label(u"qryLabel1"_s, u"All files downloaded from (site):"_s, u"63"_s);
    m_qryLabel2 = label(u"qryLabel2"_s, u"Since:"_s, u"64"_s);
    m_qryLabel3 = label(u"qryLabel3"_s, u"Find string:"_s, u"66"_s);

    m_qrySiteCbo = new QComboBox(this);
    m_qrySiteCbo->setObjectName(u"qrySiteCbo"_s);
    m_qrySiteCbo->setEditable(true);
    m_qrySiteCbo->setInsertPolicy(QComboBox::NoInsert);

    // "Enter Date" and "Enter String" are hints, not texts to type into.
    m_qryDate1 = new QLineEdit(this);
    m_qryDate1->setObjectName(u"qryDate1"_s);
    m_qryDate1->setPlaceholderText(u"Enter Date"_s);
    m_qryString = new QLineEdit(this);
    m_qryString->setObjectName(u"qryString"_s);
    m_qryString->setPlaceholderText(u"Enter String"_s);
    m_qryString->setClearButtonEnabled(true);

    auto *qryOptGroup = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(this);
        option->setObjectName(u"qryOpt"_s + QString::number(i));
        qryOptGroup->addButton(option, i);
        m_qryOpt.append(option);
    }

    m_qryFrame = new QGroupBox(u"Find in"_s, this);
    m_qryFrame->setObjectName(u"qryFrame"_s);
    CaptionLoader::setTag(m_qryFrame, u"67"_s);
    auto *findIn = new QGridLayout(m_qryFrame);
    findIn->setContentsMargins(6, 2, 6, 2);
    findIn->setVerticalSpacing(0);
    auto *qryOpt1Group = new QButtonGroup(m_qryFrame);
    // Indexes as the query reads them; shown All, Notes / Titles, URL's.
    struct Item
    {
        QString text;
        QString tag;
        int row;
        int column;
    };
    const Item items[] = {{u"URL's"_s, u"68"_s, 1, 1},
                          {u"Titles"_s, u"82"_s, 1, 0},
                          {u"Notes"_s, u"69"_s, 0, 1},
                          {u"All"_s, u"70"_s, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        auto *option = new QRadioButton(items[i].text, m_qryFrame);
        option->setObjectName(u"qryOpt1_"_s + QString::number(i));
        CaptionLoader::setTag(option, items[i].tag);
        qryOpt1Group->addButton(option, i);
        findIn->addWidget(option, items[i].row, items[i].column);
        m_qryOpt1.append(option);
    }

    m_qryResults = new QPushButton(u"Search"_s, this);
    m_qryResults->setObjectName(u"qryResults"_s);
    CaptionLoader::setTag(m_qryResults, u"81"_s);
    connect(m_qryResults, &QPushButton::clicked, this, &QueryPage::qryResults_Click);

    // Typing into a question's field chooses that question; Enter runs it.
    connect(
        m_qryString, &QLineEdit::textEdited, this, [this] { m_qryOpt.at(1)->setChecked(true); });
    connect(m_qryDate1, &QLineEdit::textEdited, this, [this] { m_qryOpt.at(0)->setChecked(true); });
    for (QLineEdit *field : {m_qryString, m_qryDate1})
        connect(field, &QLineEdit::returnPressed, this, &QueryPage::qryResults_Click);
    if (QLineEdit *site = m_qrySiteCbo->lineEdit())
        connect(site, &QLineEdit::returnPressed, this, &QueryPage::qryResults_Click);
}

QueryPage::~QueryPage() = default;

void QueryPage::Arrange(Qt::LayoutDirection direction)
{
    const int w = width();
    const int h = height();
    const auto ux = [w](double units) {
        return int(units * w / 1000.0 + 0.5);
    };
    const auto uy = [h](double units) {
        return int(units * h / 1000.0 + 0.5);
    };
    const bool rtl = direction == Qt::RightToLeft;
    const auto place = [&](QWidget *control, int left, int top, int width) {
        const QSize hint = control->sizeHint();
        const int x = ux(left);
        const int cw = width > 0 ? ux(width) : qMax(1, qMin(hint.width(), w - x - ux(20)));
        QRect r(x, uy(top), cw, hint.height());
        if (rtl)
            r.moveLeft(w - r.right() - 1);
        control->setGeometry(r);
    };

    // A label takes the width left of it to the frame's edge.
    const int labelWidth = 1000 - 140 - 20;
    place(m_qryOpt.at(0), 50, 500, 0);
    place(m_qryLabel1, 140, 500, labelWidth);
    place(m_qrySiteCbo, 150, 575, 750);
    place(m_qryLabel2, 140, 665, labelWidth);
    place(m_qryDate1, 150, 740, 450);
    place(m_qryOpt.at(1), 50, 40, 0);
    place(m_qryLabel3, 140, 40, labelWidth);
    place(m_qryString, 150, 115, 750);
    place(m_qryFrame, 150, 215, 750);
    const int findInRoom = uy(500 - 215) - uy(10);
    if (m_qryFrame->height() > findInRoom && findInRoom > 0)
        m_qryFrame->resize(m_qryFrame->width(), findInRoom);

    // The Search button: centred, its bottom on the bottom of the page.
    const QSize button = m_qryResults->sizeHint();
    m_qryResults->setGeometry(
        w / 2 - button.width() / 2, h - button.height() - uy(15), button.width(), button.height());
}

void QueryPage::LoadTexts(qint16 langOffset)
{
    m_langOffset = langOffset;
    const auto load = [langOffset](int id, const QString &fallback) {
        return RoamStrings::text(id + langOffset).value_or(fallback);
    };
    m_qryString->setPlaceholderText(load(StringPlaceholderId, m_qryString->placeholderText()));
    m_qryDate1->setPlaceholderText(load(DatePlaceholderId, m_qryDate1->placeholderText()));
}

QString QueryPage::text(int id) const
{
    return RoamStrings::text(id, m_langOffset);
}

bool QueryPage::queryIsComplete()
{
    if (!m_qryOpt.at(1)->isChecked())
        return true;
    if (m_qryString->text().trimmed().isEmpty()) {
        emit messageRaised(QMessageBox::Information, text(NoStringToFindId));
        m_qryString->setFocus();
        return false;
    }
    const bool fieldChosen = std::any_of(
        m_qryOpt1.cbegin(), m_qryOpt1.cend(), [](auto *option) { return option->isChecked(); });
    if (!fieldChosen) {
        emit messageRaised(QMessageBox::Information, text(NoFieldChosenId));
        m_qryOpt1.at(3)->setFocus();
        return false;
    }
    return true;
}

void QueryPage::qryResults_Click()
{
    if (!queryIsComplete())
        return;
    const WaitCursor wait;
    const QScopedValueRollback changing(m_changingTree, true);
    setVisible(false);
    emit searching();
    m_tree.Clear();
    m_tree.repaint();
    m_builder.AddRootNode(u"Query"_s, outlineTabImage(u"Query"));
    m_tree.setVisible(true);
    BuildQueryOutline();
}

void QueryPage::BuildQueryOutline()
{
    QueryBuilder::Query query;
    if (m_qryOpt.at(1)->isChecked())
        query.question = QueryBuilder::Question::FindString;
    else if (m_qryOpt.at(0)->isChecked())
        query.question = QueryBuilder::Question::DownloadsSince;
    query.siteText = m_qrySiteCbo->currentText();
    query.sinceText = m_qryDate1->text();
    query.findText = m_qryString->text();
    static constexpr QueryBuilder::Field fields[] = {QueryBuilder::Field::Url,
                                                     QueryBuilder::Field::Title,
                                                     QueryBuilder::Field::Note,
                                                     QueryBuilder::Field::All};
    for (int i = 0; i < int(m_qryOpt1.size()); ++i) {
        if (m_qryOpt1.at(i)->isChecked())
            query.field = fields[i];
    }
    m_snippets.clear();
    if (query.question == QueryBuilder::Question::FindString
        && query.field == QueryBuilder::Field::All && m_textSearch)
        m_snippets = m_textSearch(query.findText);
    query.textMatches = m_snippets;
    const int found = m_query->BuildQueryOutline(query);
    emit statusText(text(SitesFoundId) + QString::number(found));
}
