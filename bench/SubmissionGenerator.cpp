#include "SubmissionGenerator.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace {

const char* const FirstNames[] = {"Ann", "Bo", "Carla", "Dmitri", "Eleanor", "Fran\xc3\xa7ois",
                                  "Grace", "Hiroshi", "Ingrid", "Jos\xc3\xa9", "Kwame", "Lena",
                                  "Mohammed", "Nadia", "Oliver", "Priya", "Zo\xc3\xab"};
const char* const LastNames[] = {"Lee", "Ek", "Andersson", "M\xc3\xbcller", "O'Brien", "Smith",
                                 "Nakamura", "Okafor", "Garc\xc3\xad" "a", "van der Berg", "Kowalski",
                                 "Brown", "Dubois", "Rossi", "Ivanova"};
const char* const Domains[] = {"example.com", "example.org", "mail.example.net", "example.co.uk",
                               "post.example.de"};
const char* const Companies[] = {"", "", "Acme Ltd.", "Smith & Sons", "Caf\xc3\xa9 Central",
                                 "Northwind Traders", "Blue Sky Consulting GmbH", "O'Neill Bros."};
const char* const Streets[] = {"High Street", "Station Road", "Church Lane", "Main St.",
                               "Rue de la Paix", "Hauptstra\xc3\x9f" "e", "Elm Avenue", "Mill Road"};
const char* const Cities[] = {"London", "Leeds", "Paris", "M\xc3\xbcnchen", "Dublin", "Oslo",
                              "Toronto", "Sydney", "Z\xc3\xbcrich", "Utrecht"};
const char* const Countries[] = {"United Kingdom", "France", "Germany", "Ireland", "Norway",
                                 "Canada", "Australia", "Switzerland", "Netherlands"};
const char* const Products[] = {"Catalogue 1998 (printed)", "Garden chair, teak", "Sample pack #3",
                                "Road atlas + CD-ROM", "Gift voucher 50%", "Desk lamp \"Luxo\"",
                                "Brochure: holidays 1999"};
const char* const ContactBy[] = {"email", "telephone", "post"};
const char* const Words[] = {"please", "send", "me", "the", "catalogue", "and", "a", "price",
                             "list", "for", "your", "new", "range", "of", "garden", "furniture",
                             "I", "would", "like", "to", "know", "whether", "you", "deliver",
                             "abroad", "thanks", "in", "advance", "order", "number", "delivery",
                             "by", "Friday", "50%", "discount", "caf\xc3\xa9", "r\xc3\xa9sum\xc3\xa9",
                             "e-mail", "(urgent)", "&", "+", "=", "question", "colour", "size"};
const char* const Endings[] = {".", ".", ".", "?", "!", "...", ":\r\n- ", ".\r\n\r\n"};

// Form encoding as browsers do it: unreserved characters stay, spaces become "+".
QByteArray encoded(const QByteArray& utf8)
{
    return QUrl::toPercentEncoding(QString::fromUtf8(utf8), " ").replace(' ', '+');
}

} // namespace

QStringList SubmissionGenerator::fieldNames()
{
    return {QStringLiteral("form_id"),  QStringLiteral("name"),       QStringLiteral("email"),
            QStringLiteral("company"),  QStringLiteral("address1"),   QStringLiteral("address2"),
            QStringLiteral("city"),     QStringLiteral("postcode"),   QStringLiteral("country"),
            QStringLiteral("phone"),    QStringLiteral("product"),    QStringLiteral("quantity"),
            QStringLiteral("contact_by"), QStringLiteral("newsletter"), QStringLiteral("subject"),
            QStringLiteral("comments"), QStringLiteral("submit")};
}

QString SubmissionGenerator::replyDesign()
{
    return QStringLiteral(
        "Dear <<name>>,\r\n\r\n"
        "Thank you for your order (<<form_id>>) of <<quantity>> x <<product>>.\r\n"
        "We will send it to:\r\n\r\n"
        "    <<name>>\r\n    <<company>>\r\n    <<address1>>\r\n    <<address2>>\r\n"
        "    <<postcode>> <<city>>\r\n    <<country>>\r\n\r\n"
        "and contact you by <<contact_by>> (<<email>>, <<phone>>) should anything be unclear.\r\n"
        "Newsletter: <<newsletter>>\r\n\r\n"
        "Your message \"<<subject>>\":\r\n<<comments>>\r\n\r\n"
        "Kind regards,\r\nThe Order Desk\r\n");
}

QByteArray SubmissionGenerator::sentence()
{
    QByteArray s;
    const int words = between(4, 18);
    for (int i = 0; i < words; ++i) {
        if (i)
            s += ' ';
        s += pick(Words);
    }
    s[0] = char(QChar::toUpper(uint(uchar(s[0]))));
    return s + pick(Endings) + ' ';
}

QByteArray SubmissionGenerator::next()
{
    const QByteArray first = pick(FirstNames);
    const QByteArray last = pick(LastNames);
    QByteArray mailbox = (first + '.' + last).toLower();
    mailbox.replace(' ', "").replace('\'', "");
    const QList<QPair<const char*, QByteArray>> fields{
        {"form_id", "ORD-" + QByteArray::number(between(100000, 999999))},
        {"name", first + ' ' + last},
        {"email", mailbox + '@' + pick(Domains)},
        {"company", pick(Companies)},
        {"address1", QByteArray::number(between(1, 250)) + ' ' + pick(Streets)},
        {"address2", between(0, 3) == 0 ? QByteArray("Flat ") + QByteArray::number(between(1, 40))
                                        : QByteArray()},
        {"city", pick(Cities)},
        {"postcode", QByteArray::number(between(1000, 99999))},
        {"country", pick(Countries)},
        {"phone", "+44 " + QByteArray::number(between(100, 999)) + ' ' +
                      QByteArray::number(between(100000, 999999))},
        {"product", pick(Products)},
        {"quantity", QByteArray::number(between(1, 12))},
        {"contact_by", pick(ContactBy)},
        {"newsletter", between(0, 1) ? "on" : "off"},
        {"subject", sentence().trimmed()},
    };
    QByteArray out;
    for (const auto& [name, value] : fields)
        out += QByteArray(name) + '=' + encoded(value) + '&';

    // The message fills the file up to its size, whole characters only: a browser never cuts
    // an escape or a character's bytes in half.
    const QByteArray tail = "&submit=Send+order";
    const int target = std::max(between(MinimumSize, MaximumSize),
                                int(out.size() + tail.size()) + 40);
    const int room = target - int(out.size() + tail.size()) - int(sizeof "comments=" - 1);
    QByteArray comments;
    for (;;) {
        const QByteArray next = sentence();
        const QByteArray whole = encoded(next);
        if (comments.size() + whole.size() <= room) {
            comments += whole;
            continue;
        }
        const QString text = QString::fromUtf8(next);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype width = text[i].isHighSurrogate() ? 2 : 1;
            const QByteArray piece = encoded(text.mid(i, width).toUtf8());
            if (comments.size() + piece.size() > room)
                return out + "comments=" + comments.leftJustified(room, '+') + tail;
            comments += piece;
            i += width - 1;
        }
    }
}

bool SubmissionGenerator::writeFolder(const QString& folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 1; i <= count; ++i) {
        const QString name = QStringLiteral("form%1.%2")
                                 .arg(i, 5, 10, QLatin1Char('0'))
                                 .arg(i % 7 == 0 ? QStringLiteral("dat") : QStringLiteral("att"));
        QFile file(QDir(folder).filePath(name));
        const QByteArray bytes = next();
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}
