#pragma once

#include <QObject>
#include <QString>
#include <functional>

// Opens web addresses in the user's web browser. Tests put their own opener in.
class WebLink : public QObject
{
    Q_OBJECT
public:
    using Opener = std::function<bool(const QString& address)>;

    explicit WebLink(QObject* parent = nullptr);

    bool open(const QString& address);
    void setOpener(Opener opener) { m_opener = std::move(opener); }

private:
    Opener m_opener;
};
