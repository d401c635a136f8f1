#include "settings/certificatecheck.h"

#ifdef VORNIX_HAS_EETCLIENT
#include "eetclient/certificate.h"
#include "eetclient/error.h"
#endif

#include <QFile>
#include <exception>

namespace
{

#ifdef VORNIX_HAS_EETCLIENT
class EetClientInspector : public CertificateInspector
{
  public:
    CertificateSummary inspect(const QString& path, const QString& password) const override
    {
        CertificateSummary s;
        try {
            const eet::CertificateInfo info =
                eet::inspectCertificate(QFile::encodeName(path).toStdString(), password.toStdString());
            s.opened = true;
            s.dic = QString::fromStdString(info.dic);
            s.validUntil = QDateTime::fromString(QString::fromStdString(info.notAfter), Qt::ISODate);
        } catch (const std::exception& e) {
            s.error = QString::fromUtf8(e.what());
        }
        return s;
    }
};
#else
class UnavailableInspector : public CertificateInspector
{
  public:
    CertificateSummary inspect(const QString&, const QString&) const override
    {
        CertificateSummary s;
        s.available = false;
        s.error = QStringLiteral("Kontrola certifikátu není v tomto sestavení programu k dispozici.");
        return s;
    }
};
#endif

QString shownDate(const QDateTime& t)
{
    return t.toLocalTime().toString(QStringLiteral("dd.MM.yyyy"));
}

bool expired(const CertificateSummary& s, const QDateTime& now)
{
    return s.validUntil.isValid() && s.validUntil < now;
}

} // namespace

std::unique_ptr<CertificateInspector> makeCertificateInspector()
{
#ifdef VORNIX_HAS_EETCLIENT
    return std::make_unique<EetClientInspector>();
#else
    return std::make_unique<UnavailableInspector>();
#endif
}

namespace settings
{

QString certificateDescription(const CertificateSummary& s, const QDateTime& now)
{
    if (!s.available)
        return QString();
    if (!s.opened)
        return QStringLiteral("Certifikát nelze otevřít: %1").arg(s.error);
    QString text = QStringLiteral("DIČ %1, platný do %2")
                       .arg(s.dic.isEmpty() ? QStringLiteral("neuvedeno") : s.dic,
                            s.validUntil.isValid() ? shownDate(s.validUntil) : QStringLiteral("?"));
    if (expired(s, now))
        text += QStringLiteral(" (platnost skončila)");
    return text;
}

QStringList certificateWarnings(const CertificateSummary& s, const QDateTime& now, const QString& settingsDic)
{
    QStringList w;
    if (!s.available)
        return w;
    if (!s.opened) {
        w << QStringLiteral("Certifikát nelze otevřít: %1").arg(s.error);
        return w;
    }
    if (expired(s, now))
        w << QStringLiteral("Platnost certifikátu skončila %1.").arg(shownDate(s.validUntil));
    if (s.dic.compare(settingsDic.trimmed(), Qt::CaseInsensitive) != 0)
        w << QStringLiteral("DIČ certifikátu (%1) se liší od DIČ v nastavení aplikace (%2).")
                 .arg(s.dic.isEmpty() ? QStringLiteral("neuvedeno") : s.dic,
                      settingsDic.trimmed().isEmpty() ? QStringLiteral("nevyplněno") : settingsDic.trimmed());
    return w;
}

} // namespace settings
