#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <optional>

// The one live settings record. Every part of the program reads the field it needs at the moment
// it needs it; the settings window edits the record in place, so an edit applies at once.
class SystemSettings : public QObject
{
    Q_OBJECT
public:
    // The stored keys, in the order they are written to FORM.INI.
    enum Key {
        Auto_Open_Template,
        Auto_Print_Forms,
        Auto_Print_Reply,
        Auto_Process_On_Start,
        Suppress_Reply_To_Sender,
        Ignore_Read_MAPI_Messages,
        Auto_Timer,
        Max_Length,
        Local_Path,
        MAPI_ID,
        MAPI_Password,
        SMTP_From_Address,
        SMTP_Server_Address,
        SMTP_Reply_Subject,
        File_Filter,
        // Keys of later versions, written after the first fifteen in this order.
        Mail_Inbox,
        SMTP_Security,
        Form_Source,
        Reply_Address_Field,
        Answer_Once,
    };
    Q_ENUM(Key)
    static constexpr int KeyCount = Answer_Once + 1;

    static QString keyName(Key key);
    static bool isFlag(Key key) { return key <= Ignore_Read_MAPI_Messages || key == Answer_Once; }

    // SMTP_Security and Form_Source hold one of these texts once loaded.
    enum class Security { None, StartTls, Tls };
    static inline const QString SecurityNone = QStringLiteral("None");
    static inline const QString SecurityStartTls = QStringLiteral("STARTTLS");
    static inline const QString SecurityTls = QStringLiteral("TLS");
    static inline const QString SourceInbox = QStringLiteral("Inbox");
    static inline const QString SourceFolder = QStringLiteral("Folder");
    // Letter case is ignored. Empty means no encryption, as files of earlier versions were
    // written; any other text asks for STARTTLS, never a silent step down to none.
    static QString normalisedSecurity(const QString& text);
    // Anything but "Folder" reads the inbox.
    static QString normalisedSource(const QString& text);

    explicit SystemSettings(QObject* parent = nullptr);

    // Flags hold 0, 1 or 2 (a check box's dimmed state); the other fields hold text.
    int flag(Key key) const { return m_flags[key]; }
    void setFlag(Key key, int value);
    QString text(Key key) const { return m_texts[key]; }
    void setText(Key key, const QString& value);
    // The value as written to the file: flags as their decimal number.
    QString storedText(Key key) const;

    bool on(Key flagKey) const { return m_flags[flagKey] != 0; }

    // Put between a friendly name and a value in a merged reply; never stored.
    QString friendlyReplySuffix() const { return m_friendlyReplySuffix; }
    void setFriendlyReplySuffix(const QString& suffix);

    // The folder and filter that processing uses: they follow the record only when it is loaded
    // and when the settings window accepts a typed folder or filter.
    QString localFolder() const { return m_localFolder; }
    void setLocalFolder(const QString& folder); // appends the separator when missing
    QString fileFilter() const { return m_fileFilter; }
    void setFileFilter(const QString& filter);
    // Both working values from the record's Local_Path and File_Filter.
    void updateWorkingValues();

    // Max_Length as the decoder's limit: a 16-bit signed number, clamped at its ends; text that
    // is not a whole number gives the built-in 20000.
    int maxLengthLimit() const;
    // Auto_Timer as whole minutes; nullopt when it is not a whole number.
    std::optional<int> autoTimerMinutes() const;
    Security smtpSecurity() const;
    // Where timed and start-up runs read their submissions.
    bool automaticRunsReadFolder() const;

    static std::optional<long long> wholeNumber(const QString& text);

signals:
    // A stored field took a new value, whoever changed it.
    void changed(SystemSettings::Key key);
    void friendlyReplySuffixChanged(const QString& suffix);

private:
    std::array<int, KeyCount> m_flags{};
    std::array<QString, KeyCount> m_texts;
    QString m_friendlyReplySuffix = QStringLiteral(": ");
    QString m_localFolder;
    QString m_fileFilter;
};
