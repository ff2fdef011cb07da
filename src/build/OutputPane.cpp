#include "build/OutputPane.h"

#include <sys/stat.h>

#include <QAccessibleWidget>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>

// QScintilla's headers still spell the Qt keywords this project switches off.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qsciscintilla.h>
#undef signals
#undef slots

namespace {

// Underlines of message lines, one per severity, and the picked line's marker.
constexpr int ErrorIndicator = 8;
constexpr int WarningIndicator = 9;
constexpr int OtherIndicator = 10;
constexpr int PickMarker = 0;

int IndicatorOf(MessageLocator::Severity severity) {
    switch (severity) {
        case MessageLocator::Severity::Error:
            return ErrorIndicator;
        case MessageLocator::Severity::Warning:
            return WarningIndicator;
        default:
            return OtherIndicator;
    }
}

// QScintilla's own accessibility counts the characters from the start of the
// text to the caret at every caret move: with the caret after megabytes of
// output every repaint would cost that. The text box is described as a plain
// editable text instead.
QAccessibleInterface* PlainAccessible(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (className != QLatin1String("QsciScintilla") || !widget ||
        widget->objectName() != QLatin1String("Text1") || !widget->parentWidget() ||
        widget->parentWidget()->objectName() != QLatin1String("Form5"))
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::EditableText);
}

bool IsRegularFile(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// The text with every line longer than `limit` cut into lines of `limit`.
QString CutLongLines(const QString& text, int limit) {
    bool anyLong = false;
    for (const QStringView line : QStringView(text).tokenize(QLatin1Char('\n')))
        anyLong = anyLong || line.size() > limit;
    if (!anyLong)
        return text;
    QString cut;
    cut.reserve(text.size() + text.size() / limit + 1);
    bool first = true;
    for (QStringView line : QStringView(text).tokenize(QLatin1Char('\n'))) {
        if (!first)
            cut += QLatin1Char('\n');
        first = false;
        while (line.size() > limit) {
            cut += line.left(limit);
            cut += QLatin1Char('\n');
            line = line.mid(limit);
        }
        cut += line;
    }
    return cut;
}

}  // namespace

OutputPane::OutputPane(QWidget* parent)
    : QWidget(parent),
      Combo1(new QComboBox(this)),
      Text1(new QsciScintilla(this)),
      target(Text1),
      outputFolder(QDir::currentPath()),
      viewFolder(outputFolder) {
    static const bool plainAccessible = (QAccessible::installFactory(PlainAccessible), true);
    Q_UNUSED(plainAccessible);
    setObjectName(QStringLiteral("Form5"));
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Text1->setObjectName(QStringLiteral("Text1"));

    // Tool output is read, never edited: no undo history to grow with it, no
    // margins, and long lines scroll rather than wrap.
    Text1->setUtf8(true);
    Text1->setEolMode(QsciScintilla::EolUnix);
    Text1->setReadOnly(true);
    Text1->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0UL);
    Text1->setMarginWidth(0, 0);
    Text1->setMarginWidth(1, 0);
    // Plain text, styled once as it comes: left to the container, every paint
    // would ask for the styling of the whole text again.
    Text1->SendScintilla(QsciScintillaBase::SCI_SETLEXER, 1UL /* SCLEX_NULL */);
    Text1->setScrollWidth(1);
    Text1->setScrollWidthTracking(true);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamilies({QStringLiteral("Lucida Console"), font.family()});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    Text1->setFont(font);

    const std::pair<int, QColor> underlines[] = {{ErrorIndicator, QColor(0xc0, 0x00, 0x00)},
                                                 {WarningIndicator, QColor(0xb0, 0x70, 0x00)},
                                                 {OtherIndicator, QColor(0x00, 0x40, 0xc0)}};
    for (const auto& [indicator, color] : underlines) {
        Text1->indicatorDefine(QsciScintilla::PlainIndicator, indicator);
        Text1->setIndicatorForegroundColor(color, indicator);
    }
    Text1->markerDefine(QsciScintilla::Background, PickMarker);
    Text1->setMarkerBackgroundColor(QColor(0xff, 0xf0, 0xb0), PickMarker);

    flatCombo.Attach(Combo1);
    Combo1->addItems(ViewNames());
    Combo1->setCurrentIndex(OutputView);

    connect(Combo1, &QComboBox::activated, this, &OutputPane::ViewChosen);
    Combo1->installEventFilter(this);
    Text1->viewport()->installEventFilter(this);
    target.Changed = [this](long position) { ContentsChanged(static_cast<int>(position)); };
}

OutputPane::~OutputPane() {
    // The controls go after this part of the pane: they must not call back.
    Text1->viewport()->removeEventFilter(this);
    Combo1->removeEventFilter(this);
}

QStringList OutputPane::ViewNames() {
    return {QStringLiteral(" Output"), QStringLiteral(" Compiler"), QStringLiteral(" Linker"),
            QStringLiteral(" Library")};
}

QString OutputPane::ErrorFileOf(int view) {
    switch (view) {
        case CompilerView:
            return QStringLiteral("bcc32.err");
        case LinkerView:
            return QStringLiteral("ilink32.err");
        case LibraryView:
            return QStringLiteral("tlib.err");
        default:
            return QString();
    }
}

QString OutputPane::ReadErrorFile(const QString& path) {
    // Only a regular file: a pipe or a device of that name would never end.
    if (!IsRegularFile(path))
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = file.read(MaxErrorFileBytes + 1);
    const bool cut = bytes.size() > MaxErrorFileBytes;
    if (cut)
        bytes.truncate(MaxErrorFileBytes);

    QString text = QString::fromUtf8(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar(0), QChar(QChar::ReplacementCharacter));

    // A file holding the tool's banner alone shows as empty.
    const qsizetype firstEnd = text.indexOf(QLatin1Char('\n'));
    if (firstEnd < 0)
        return QString();
    const qsizetype secondEnd = text.indexOf(QLatin1Char('\n'), firstEnd + 1);
    const QStringView second =
        QStringView(text).mid(firstEnd + 1, secondEnd < 0 ? -1 : secondEnd - firstEnd - 1);
    if (std::all_of(second.begin(), second.end(), [](QChar c) { return c == QLatin1Char(' '); }))
        return QString();

    text = CutLongLines(text, MaxShownLine);
    if (cut) {
        text += tr("\n\n Only the first %1 MB of the %2 bytes of %3 are shown. ")
                    .arg(MaxErrorFileBytes >> 20)
                    .arg(file.size())
                    .arg(QDir::toNativeSeparators(path));
    }
    return text;
}

QSize OutputPane::sizeHint() const {
    return QSize(480, 160);
}

void OutputPane::SelectOutputView() {
    if (shownView != OutputView)
        ViewChosen(OutputView);
}

void OutputPane::SelectView(int view) {
    ViewChosen(view);
}

int OutputPane::CurrentView() const {
    return shownView;
}

void OutputPane::ViewChosen(int view) {
    if (view < OutputView || view > LibraryView)
        return;
    // The live output waits in OutputText while an error file shows.
    if (shownView == OutputView)
        OutputText = target.Text();
    const QString folder = QDir::currentPath();
    const QString text = view == OutputView
                             ? OutputText
                             : ReadErrorFile(folder + QLatin1Char('/') + ErrorFileOf(view));
    Combo1->setCurrentIndex(view);
    shownView = view;
    viewFolder = view == OutputView ? outputFolder : folder;
    ShowText(text);
}

void OutputPane::ShowText(const QString& text) {
    showing = true;
    target.ReplaceAll(text);
    showing = false;
    Text1->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0UL);
    messages.clear();
    scannedLines = 0;
    current = -1;
    Text1->markerDeleteAll(PickMarker);
    ScheduleScan();
}

void OutputPane::ContentsChanged(int position) {
    // A tool's output starts at the top of an emptied view: relative names
    // in it are the build folder's, which is current now.
    if (!showing && shownView == OutputView && position == 0)
        outputFolder = viewFolder = QDir::currentPath();
    const int line = static_cast<int>(Text1->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION,
                                                           static_cast<unsigned long>(position)));
    if (line < scannedLines) {
        while (!messages.isEmpty() && messages.last().outputLine >= line)
            messages.removeLast();
        scannedLines = line;
        if (current >= messages.size()) {
            current = -1;
            Text1->markerDeleteAll(PickMarker);
        }
    }
    ScheduleScan();
}

void OutputPane::SetSourceMap(SourceMap map) {
    sourceMap = std::move(map);
    messages.clear();
    scannedLines = 0;
    current = -1;
    Text1->markerDeleteAll(PickMarker);
    ScheduleScan();
}

void OutputPane::Scan() const {
    while (!messages.isEmpty() && messages.last().outputLine >= scannedLines)
        messages.removeLast();
    const long length = Text1->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const long from = Text1->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                           static_cast<unsigned long>(scannedLines));
    for (const int indicator : {ErrorIndicator, WarningIndicator, OtherIndicator}) {
        Text1->SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT,
                             static_cast<unsigned long>(indicator));
        Text1->SendScintilla(QsciScintillaBase::SCI_INDICATORCLEARRANGE,
                             static_cast<unsigned long>(from), length - from);
    }
    const int lineCount = Text1->lines();
    QByteArray bytes;
    for (int number = scannedLines; number < lineCount; ++number) {
        const long start = Text1->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                                static_cast<unsigned long>(number));
        const long end = Text1->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION,
                                              static_cast<unsigned long>(number));
        // Room for the line and the NUL the editor puts after it.
        bytes.resize(end - start + 1);
        Text1->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, start, end, bytes.data());
        std::optional<Message> message =
            MessageLocator::ParseMessage(QString::fromUtf8(bytes.constData(), end - start));
        if (!message)
            continue;
        message->file = MessageLocator::ResolvePath(message->file, viewFolder);
        if (sourceMap) {
            const QString mapped = sourceMap(message->file);
            if (!mapped.isEmpty())
                message->file = mapped;
        }
        message->outputLine = number;
        messages.append(*message);
        Text1->SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT,
                             static_cast<unsigned long>(IndicatorOf(message->severity)));
        Text1->SendScintilla(QsciScintillaBase::SCI_INDICATORFILLRANGE,
                             static_cast<unsigned long>(start), end - start);
    }
    scannedLines = std::max(0, lineCount - 1);
}

QList<OutputPane::Message> OutputPane::Messages() const {
    Scan();
    return messages;
}

void OutputPane::ScheduleScan() {
    if (scanPending)
        return;
    scanPending = true;
    QTimer::singleShot(0, this, [this] {
        scanPending = false;
        Scan();
    });
}

void OutputPane::Pick(int index) {
    Scan();
    if (index < 0 || index >= messages.size())
        return;
    current = index;
    const Message message = messages[index];
    Text1->markerDeleteAll(PickMarker);
    Text1->markerAdd(message.outputLine, PickMarker);
    Text1->SendScintilla(QsciScintillaBase::SCI_GOTOLINE,
                         static_cast<unsigned long>(message.outputLine));
    Q_EMIT OpenLocation(message.file, message.line, message.column);
}

void OutputPane::NextMessage() {
    Scan();
    const int count = static_cast<int>(messages.size());
    if (count > 0)
        Pick(current < 0 ? 0 : (current + 1) % count);
}

void OutputPane::PreviousMessage() {
    Scan();
    const int count = static_cast<int>(messages.size());
    if (count > 0)
        Pick(current < 0 ? count - 1 : (current - 1 + count) % count);
}

void OutputPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    OutputText.clear();
    const int comboHeight = Combo1->sizeHint().height();
    Combo1->setGeometry(0, 0, width(), comboHeight);
    Text1->setGeometry(0, comboHeight, width(), std::max(0, height() - comboHeight));
}

bool OutputPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Combo1 && event->type() == QEvent::FocusIn) {
        if (Combo1->currentText() == ViewNames().at(OutputView))
            OutputText = target.Text();
    } else if (watched == Text1->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            const QPoint point = static_cast<QMouseEvent*>(event)->position().toPoint();
            const long position = Text1->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINT,
                                                       static_cast<unsigned long>(point.x()),
                                                       static_cast<long>(point.y()));
            const int line = static_cast<int>(Text1->SendScintilla(
                QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position)));
            Scan();
            const auto at = std::lower_bound(
                messages.cbegin(), messages.cend(), line,
                [](const Message& m, int wanted) { return m.outputLine < wanted; });
            if (at != messages.cend() && at->outputLine == line) {
                Pick(static_cast<int>(at - messages.cbegin()));
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
