#include "widgets/ClipList.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QRegularExpression>
#include <algorithm>
#include <vector>

namespace widgets {

namespace {

QString withoutTrailingSeparator(const QString& nativePath) {
    // QDir::cleanPath keeps the separator of a root ("/" or "C:/") and drops any other trailing one.
    return QDir::toNativeSeparators(QDir::cleanPath(QDir::fromNativeSeparators(nativePath)));
}

QString missingFolderText(const QString& path) {
    return QStringLiteral("Pasta não encontrada: %1").arg(QDir::toNativeSeparators(path));
}

} // namespace

namespace {

bool hasWildcard(QStringView text) {
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?')) ||
           text.contains(QLatin1Char('['));
}

// One mask pattern, prepared once for a whole listing. "*.ext", the usual form, is a plain suffix test.
class WildcardPattern {
  public:
    explicit WildcardPattern(const QString& pattern)
        : everything_(pattern == QLatin1String("*.*")),
          suffix_(pattern.startsWith(QLatin1Char('*')) && !hasWildcard(QStringView(pattern).mid(1))
                      ? pattern.mid(1)
                      : QString()),
          expression_(everything_ || !suffix_.isEmpty()
                          ? QRegularExpression()
                          : QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive)) {}
    bool matches(const QString& name) const {
        if (everything_)
            return true;
        if (!suffix_.isEmpty())
            return name.endsWith(suffix_, Qt::CaseInsensitive);
        return expression_.match(name).hasMatch();
    }

  private:
    bool everything_;
    QString suffix_;
    QRegularExpression expression_;
};

} // namespace

bool matchesWildcard(const QString& pattern, const QString& name) {
    return WildcardPattern(pattern).matches(name);
}

ClipList::ClipList(QWidget* parent)
    : QListWidget(parent), directory_(withoutTrailingSeparator(QDir::currentPath())) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(this, &QListWidget::itemClicked, this, &ClipList::clickAction);
}

void ClipList::setDirectory(const QString& path) {
    const QFileInfo info(QDir::fromNativeSeparators(path));
    if (path.isEmpty() || !info.isDir())
        throw FolderError(missingFolderText(path));
    const QString folder = withoutTrailingSeparator(info.absoluteFilePath());
    if (folder == directory_)
        return;
    directory_ = folder;
    reread();
}

void ClipList::setMask(const QString& mask) {
    if (mask == mask_)
        return;
    mask_ = mask;
    reread();
}

void ClipList::reread() {
    if (!QDir::setCurrent(QDir::fromNativeSeparators(directory_)))
        throw FolderError(missingFolderText(directory_));
    clear();
    const QStringList files = QDir(QDir::fromNativeSeparators(directory_))
                                  .entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    std::vector<WildcardPattern> patterns;
    for (const QString& text : mask_.split(';'))
        if (!text.isEmpty())
            patterns.emplace_back(text);
    // Each file once, however many patterns it matches (the stored video mask names some twice).
    QStringList names;
    for (const QString& file : files)
        if (std::any_of(patterns.cbegin(), patterns.cend(),
                        [&](const WildcardPattern& p) { return p.matches(file); }))
            names << file;
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    addItems(names);
}

QStringList ClipList::entries() const {
    QStringList names;
    for (int i = 0; i < count(); ++i)
        names << item(i)->text();
    return names;
}

QString ClipList::fullName() const {
    const QListWidgetItem* focused = currentItem();
    if (!focused || !focused->isSelected())
        return {};
    const QString sep = QDir::separator();
    return directory_ + (directory_.endsWith(sep) ? QString() : sep) + focused->text();
}

void ClipList::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before)
        emit clickAction();
}

void ClipList::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    emit doubleClickAction();
}

} // namespace widgets
