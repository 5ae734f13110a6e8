#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <random>

// Submissions of one order form as browsers post them, the same fields in the same order every
// time: a hidden form id, contact details, an order, and a free-text message whose length spreads
// the files over 300 to 2,000 bytes. Values are URL-encoded from UTF-8. The same seed gives the
// same files.
class SubmissionGenerator
{
public:
    static constexpr int MinimumSize = 300;
    static constexpr int MaximumSize = 2000;

    explicit SubmissionGenerator(unsigned seed) : m_random(seed) {}

    // The form's field names, in the order every submission has them.
    static QStringList fieldNames();
    // A reply design that marks every field.
    static QString replyDesign();

    QByteArray next();

    // Writes count files into the folder, named like the attachments mail programs save
    // ("form00001.att", every seventh one ".dat"); false when a file cannot be written.
    bool writeFolder(const QString& folder, int count);

private:
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    template <typename T, std::size_t N> const T& pick(const T (&items)[N])
    {
        return items[between(0, int(N) - 1)];
    }
    QByteArray sentence();

    std::mt19937 m_random;
};
