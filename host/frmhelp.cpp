#include "frmhelp.h"

#include "resources/biditext.h"
#include "resources/roamstrings.h"
#include "views/waitcursor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int HelpCaptionId = 99;
constexpr int CannotOpenId = 146;

QString resource(int id, qint16 langOffset)
{
    return RoamStrings::text(id + langOffset).value_or(RoamStrings::text(id).value_or(QString()));
}

} // namespace

frmHelp::frmHelp(QWidget *parent, qint16 langOffset)
    : QWidget(parent, Qt::Window)
    , m_langOffset(langOffset)
{
    setObjectName(u"frmHelp"_s);
    setLayoutDirection(langOffset == RoamStrings::HebrewOffset ? Qt::RightToLeft : Qt::LeftToRight);
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Escape),
                                    QKeySequence(QKeySequence::Close),
                                    QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto *shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
    m_textdata = new QPlainTextEdit(this);
    // The help text is English.
    m_textdata->setLayoutDirection(Qt::LeftToRight);
    m_textdata->setObjectName(u"Textdata"_s);
    m_textdata->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_textdata->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_textdata);

    // 80 columns and a good part of the text.
    const QFontMetrics metrics(m_textdata->font());
    resize(metrics.horizontalAdvance(QLatin1Char('M')) * 84 + 40, metrics.lineSpacing() * 36);
}

QString frmHelp::readMePath(const QString &programFolder)
{
    const QDir folder(programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                              : programFolder);
    return QDir::cleanPath(folder.absoluteFilePath(QStringLiteral(ROAMLOG_READ_ME_DIR "/Read.me")));
}

void frmHelp::Form_Load(const QString &path)
{
    setWindowTitle(resource(HelpCaptionId, m_langOffset));
    loadFile(path.isEmpty() ? readMePath() : path);
    m_textdata->setReadOnly(true);
}

void frmHelp::loadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_message(this,
                  resource(CannotOpenId, m_langOffset)
                      + BidiText::leftToRight(QDir::toNativeSeparators(path), layoutDirection()));
        return;
    }
    WaitCursor wait;
    m_textdata->setPlainText(QString::fromUtf8(file.readAll()));
}
