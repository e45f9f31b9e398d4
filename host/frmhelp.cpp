#include "frmhelp.h"

#include "views/waitcursor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmHelp::frmHelp(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(u"frmHelp"_s);
    // Never translated: the text is English.
    setLayoutDirection(Qt::LeftToRight);
    m_textdata = new QPlainTextEdit(this);
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
    setWindowTitle(u"Help"_s);
    loadFile(path.isEmpty() ? readMePath() : path);
    m_textdata->setReadOnly(true);
}

void frmHelp::loadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_message(this, u"Can't open file: "_s + QDir::toNativeSeparators(path));
        return;
    }
    WaitCursor wait;
    m_textdata->setPlainText(QString::fromUtf8(file.readAll()));
}
