#include "platform/mail/MailMessage.h"

#include "common/LegacyText.h"
#include "platform/mail/MailInbox.h"
#include "platform/mail/VmimePlatform.h"

#include <algorithm>
#include <vmime/vmime.hpp>

namespace {

QByteArray extracted(const vmime::contentHandler& content)
{
    std::string bytes;
    vmime::utility::outputStreamStringAdapter out(bytes);
    content.extract(out);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

QString decodedText(const QByteArray& bytes, const vmime::charset& charset)
{
    try {
        std::string utf8;
        vmime::charset::convert(bytes.toStdString(), utf8, charset,
                                vmime::charset(vmime::charsets::UTF_8));
        return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    } catch (const vmime::exception&) {
        // A charset the converter does not know: read it as the program reads any old text.
        return LegacyText::decode(bytes);
    }
}

// A word in UTF-8, whatever charset it names. VMime's own conversion into a charset that its
// converter does not know loses the converter it opened for the other side each time (an
// unread message is read again at every timed run), so only conversions into UTF-8 are made.
vmime::word utf8Word(const vmime::word& word)
{
    const QByteArray bytes = QByteArray::fromStdString(word.getBuffer());
    return vmime::word(decodedText(bytes, word.getCharset()).toStdString(),
                       vmime::charset(vmime::charsets::UTF_8));
}

QString addressText(const vmime::emailAddress& email)
{
    return QString::fromStdString(
        vmime::emailAddress(utf8Word(email.getLocalName()), utf8Word(email.getDomainName()))
            .toString());
}

// An address without a domain is completed by the parser with this machine's name; the reply
// must not go to a mailbox of the user's own machine, so such an address stays as it was written.
QString senderAddress(const vmime::header& header, const std::string& raw)
{
    for (const char* name : {vmime::fields::FROM, vmime::fields::SENDER}) {
        const auto field = header.findField(name);
        const auto box = field ? field->getValue<vmime::mailbox>() : nullptr;
        if (!box || box->isEmpty())
            continue;
        const vmime::emailAddress& email = box->getEmail();
        const std::string written =
            raw.substr(std::min(box->getParsedOffset(), raw.size()), box->getParsedLength());
        const size_t angle = written.rfind('<');
        if (written.find('@', angle == std::string::npos ? 0 : angle) == std::string::npos)
            return QString::fromStdString(utf8Word(email.getLocalName()).getBuffer());
        return addressText(email);
    }
    return {};
}

QString firstPlainText(const vmime::messageParser& parser)
{
    const vmime::mediaType plain(vmime::mediaTypes::TEXT, vmime::mediaTypes::TEXT_PLAIN);
    for (const auto& part : parser.getTextPartList()) {
        if (part->getType() == plain)
            return decodedText(extracted(*part->getText()), part->getCharset());
    }
    return {};
}

QString fieldText(const vmime::header& header, const char* name)
{
    const auto field = header.findField(name);
    const auto text = field ? field->getValue<vmime::text>() : nullptr;
    if (!text)
        return {};
    // Word by word rather than generated: generating converts back into each word's charset.
    QString out;
    for (const auto& word : text->getWordList())
        out += QString::fromStdString(utf8Word(*word).getBuffer());
    return out.trimmed();
}

// Mail that a program sent by itself must not be answered (RFC 3834): auto-replies, bounces,
// bulk and list mail, and the mailboxes that only such programs write from.
bool sentByAProgram(const vmime::header& header, const QString& sender)
{
    const QString submitted = fieldText(header, "Auto-Submitted").section(QLatin1Char(';'), 0, 0);
    if (!submitted.isEmpty() &&
        submitted.trimmed().compare(QLatin1String("no"), Qt::CaseInsensitive) != 0)
        return true;
    const QString precedence = fieldText(header, "Precedence").toLower();
    if (precedence == QLatin1String("bulk") || precedence == QLatin1String("junk") ||
        precedence == QLatin1String("list"))
        return true;
    if (header.hasField("List-Id"))
        return true;
    const QString local = sender.section(QLatin1Char('@'), 0, 0).toLower();
    return local == QLatin1String("mailer-daemon") || local == QLatin1String("postmaster") ||
           local == QLatin1String("noreply") || local == QLatin1String("no-reply");
}

// Attached messages, and objects that only count as attachments once inline objects are
// looked for (parts an HTML body refers to), are not data files.
int attachmentType(const vmime::attachment& attachment)
{
    if (attachment.getType().getType() == vmime::mediaTypes::MESSAGE)
        return MailInbox::EmbeddedObject;
    const auto part = vmime::dynamicCast<const vmime::bodyPart>(attachment.getPart());
    if (part && !vmime::attachmentHelper::isBodyPartAnAttachment(part))
        return MailInbox::EmbeddedObject;
    return MailInbox::DataFile;
}

} // namespace

MailMessage::MailMessage(const QByteArray& raw)
{
    VmimePlatform::ensure();
    try {
        auto message = vmime::make_shared<vmime::message>();
        const std::string bytes = raw.toStdString();
        message->parse(bytes);
        const vmime::messageParser parser(message);
        m_originator = senderAddress(*message->getHeader(), bytes);
        m_automatic = sentByAProgram(*message->getHeader(), m_originator);
        m_bodyText = firstPlainText(parser);
        const auto found = vmime::attachmentHelper::findAttachmentsInMessage(
            message, vmime::attachmentHelper::INLINE_OBJECTS);
        for (const auto& attachment : found)
            m_attachments.append({attachmentType(*attachment), extracted(*attachment->getData())});
    } catch (const std::exception&) {
        *this = MailMessage();
    }
}
