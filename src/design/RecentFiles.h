#pragma once

#include <QObject>
#include <QString>
#include <array>

// The four templates used most recently, kept in the per-user settings store (organization and
// application "Brevane", group "File History", keys Recent_File_0 to Recent_File_3; slot 0 is
// the newest). Apart from the store, the only copy is the four menu captions held here: they are
// used to find a path, and the store is used for every move.
class RecentFiles : public QObject
{
    Q_OBJECT
public:
    static constexpr int Count = 4;
    static inline const QString Group = QStringLiteral("File History");
    static inline const QString EmptyCaption = QStringLiteral("<empty>");
    static QString key(int slot);

    explicit RecentFiles(QObject* parent = nullptr);

    // Caption n: the path of slot n, or "<empty>".
    QString caption(int n) const { return m_captions[n]; }
    const std::array<QString, Count>& captions() const { return m_captions; }

    void RefreshRecentFiles();
    // A path already listed moves to the top; any other is pushed in at the top.
    void AddRecentFile(const QString& path);
    // True when a caption equals the path exactly; it then moves to the top and the entries
    // above it move down by one.
    bool PromoteRecentFile(const QString& path);
    // Every used slot moves down by one (the oldest falls out) and the path takes slot 0.
    void PushRecentFile(const QString& path);

signals:
    void captionsRefreshed();

private:
    std::array<QString, Count> m_captions;
};
