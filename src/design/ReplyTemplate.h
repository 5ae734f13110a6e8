#pragma once

#include <QObject>
#include <QString>

class SystemSettings;
class VariableTable;

// The reply the program sends: a design text with markers "<<" + form name + ">>", the file it
// was last loaded from or saved to (empty while untitled), and whether it has unsaved changes.
// Lines of the design and the preview are separated by CR LF.
class ReplyTemplate : public QObject
{
    Q_OBJECT
public:
    ReplyTemplate(VariableTable& variables, SystemSettings& settings, QObject* parent = nullptr);

    QString designText() const { return m_design; }
    void setDesignText(const QString& text);
    // The user's own edit of the design: it leaves the template changed, as a merge does.
    void editDesignText(const QString& text);
    QString previewText() const { return m_preview; }
    // Any change of the preview counts as a change of the template.
    void setPreviewText(const QString& text);

    QString path() const { return m_path; }
    void setPath(const QString& path) { m_path = path; }
    bool isChanged() const { return m_changed; }
    void setChanged(bool changed) { m_changed = changed; }

    // Replaces the design by the file's and the definitions by its names (then the variables and
    // the list follow them) and takes the file's name as path. False when the file cannot be read
    // or ends after a form name; what was replaced by then stays replaced. The changed flag and
    // the preview are left alone.
    bool LoadTemplate(const QString& fileName);
    // Writes the design and the variables' names atomically and clears the changed flag. False
    // when the file cannot be written; the old file, the flag and the path are then untouched.
    bool SaveTemplate(const QString& fileName);

    // The preview becomes the design with every marker of a variable replaced by the friendly
    // name, the suffix and the value (or the value alone when there is no friendly name).
    void MergeReplyPreview();
    static QString merged(const QString& design, const VariableTable& variables,
                          const QString& friendlySuffix);

    static QString marker(const QString& formName);

signals:
    void designTextChanged(const QString& text);
    void previewTextChanged(const QString& text);

private:
    VariableTable& m_variables;
    SystemSettings& m_settings;
    QString m_design;
    QString m_preview;
    QString m_path;
    bool m_changed = false;
};
