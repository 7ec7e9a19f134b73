#pragma once
// The clip list: a folder, a mask of ";"-separated wildcard patterns and the ordinary files of the folder
// that match any of them, each once, sorted by name without regard to letter case. Several entries may be
// selected (Ctrl and Shift extend the selection); one entry has the focus.
#include <QListWidget>
#include <stdexcept>

namespace widgets {

// Raised when the list is pointed at, or re-reads, a folder that does not exist.
class FolderError : public std::runtime_error {
  public:
    explicit FolderError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

  private:
    QString text_;
};

class ClipList : public QListWidget {
    Q_OBJECT
  public:
    explicit ClipList(QWidget* parent = nullptr);

    QString directory() const { return directory_; }
    // Points the list at an existing folder and re-reads it when the folder changed. Throws FolderError
    // for a missing folder, keeping the folder and the entries.
    void setDirectory(const QString& path);

    QString mask() const { return mask_; }
    // A different mask re-reads the current folder at once; the same text does nothing.
    void setMask(const QString& mask);

    // Makes the folder the process's current directory and lists it anew. Throws FolderError when the
    // folder has gone.
    void reread();

    QStringList entries() const;
    // Folder, separator and name of the focused entry when it is selected; otherwise empty.
    QString fullName() const;

  signals:
    // An entry clicked, or the focus moved with the keyboard.
    void clickAction();
    void doubleClickAction();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QString directory_;
    QString mask_;
};

// True when `name` matches the wildcard `pattern` ("*" any run, "?" one character), ignoring letter case.
// "*.*" matches every name, with or without a dot, as the recording folders have always been listed.
bool matchesWildcard(const QString& pattern, const QString& name);

} // namespace widgets
