#include "pagetextpanel.h"

#include "resources/captionloader.h"

#include "navigationrecorder.h"
#include "neverrecordrules.h"
#include "pagetextindex.h"
#include "roamsettings.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Captions of the option; their Hebrew twins are 500 higher.
enum PageTextCaption {
    PageTextFrameId = 147,
    KeepPageTextId = 148,
    ForgetPageTextId = 149,
};

// Enough to choose among; the Query page lists them with the other matches.
constexpr int kSearchLimit = 200;

} // namespace

PageTextPanel::PageTextPanel(RoamSettings &settings, QWidget *optionsPage)
    : QObject(optionsPage)
    , m_settings(settings)
{
    m_frame = new QGroupBox(u"Page text"_s, optionsPage);
    m_frame->setObjectName(u"PageTextFrame"_s);
    m_frame->setProperty(CaptionLoader::TagProperty, QString::number(PageTextFrameId));
    auto *box = new QVBoxLayout(m_frame);
    m_keep = new QCheckBox(u"Keep the text of pages"_s, m_frame);
    m_keep->setObjectName(u"KeepPageText"_s);
    m_keep->setProperty(CaptionLoader::TagProperty, QString::number(KeepPageTextId));
    m_keep->setChecked(m_settings.keepPageText());
    m_forget = new QPushButton(u"Forget all page text"_s, m_frame);
    m_forget->setObjectName(u"ForgetPageText"_s);
    m_forget->setProperty(CaptionLoader::TagProperty, QString::number(ForgetPageTextId));
    m_forget->setAutoDefault(false);
    box->addWidget(m_keep);
    box->addWidget(m_forget);
    connect(m_keep, &QCheckBox::clicked, this, [this](bool on) { m_settings.setKeepPageText(on); });
    connect(m_forget, &QPushButton::clicked, this, [this] {
        if (m_confirmForget && m_confirmForget())
            forgetAll();
    });
}

PageTextPanel::~PageTextPanel() = default;

void PageTextPanel::open(const QString &dataFolder, bool readOnly)
{
    // Another Roamlog owns a folder this panel only shows: its index is only searched.
    if (readOnly && !QFileInfo::exists(PageTextIndex::fileName(dataFolder)))
        return;
    m_index = std::make_unique<PageTextIndex>(
        dataFolder, readOnly ? PageTextIndex::Access::ReadOnly : PageTextIndex::Access::ReadWrite);
    connect(m_index.get(), &PageTextIndex::problemFound, this, &PageTextPanel::problemFound);
    const QString problem = m_index->problem();
    if (!problem.isEmpty()) {
        // Said once the panel is up, so that whoever listens hears it.
        QTimer::singleShot(0, this, [this, problem] { emit problemFound(problem); });
    }
    if (!m_index->isOpen())
        m_index.reset();
}

PageTextIndex *PageTextPanel::index() const
{
    return m_index.get();
}

bool PageTextPanel::keeps() const
{
    return m_keep->isChecked();
}

bool PageTextPanel::keepsFor(const QString &url, const NavigationRecorder &recorder) const
{
    return keeps() && recorder.Recording() && !recorder.NeverRecord().matches(url);
}

void PageTextPanel::forget(const QStringList &keys)
{
    if (m_index)
        m_index->remove(keys);
}

void PageTextPanel::forgetAll()
{
    if (m_index)
        m_index->clear();
}

QHash<QString, QString> PageTextPanel::search(const QString &words) const
{
    QHash<QString, QString> found;
    if (!m_index)
        return found;
    // Pages captured a moment ago are searched too.
    m_index->flush();
    for (const PageTextIndex::Hit &hit : m_index->search(words, kSearchLimit))
        found.insert(hit.key.toLower(), hit.snippet);
    return found;
}
