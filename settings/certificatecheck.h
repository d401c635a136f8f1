#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>

// What a certificate file is, as the EET settings dialog tells the operator.
struct CertificateSummary {
    bool available = true; // false: this build cannot inspect certificates
    bool opened = false;   // the file opened with the password
    QString error;         // why it did not open
    QString dic;           // DIČ from the subject, empty when none
    QDateTime validUntil;  // UTC
};

// Looks into a PKCS#12 certificate file with its password.
class CertificateInspector
{
  public:
    virtual ~CertificateInspector() = default;
    virtual CertificateSummary inspect(const QString& path, const QString& password) const = 0;
};

// The EET client component's inspection, or an inspector that reports itself unavailable
// when the program is built without the component.
std::unique_ptr<CertificateInspector> makeCertificateInspector();

namespace settings
{

// One line for the dialog: "DIČ CZ00000019, platný do 31.08.2022", or why it did not open.
QString certificateDescription(const CertificateSummary& s, const QDateTime& now);

// The warnings worth a message: the file does not open with the password, the certificate
// has expired, or its DIČ differs from the DIČ of the application settings. None is a
// reason to refuse saving.
QStringList certificateWarnings(const CertificateSummary& s, const QDateTime& now,
                                const QString& settingsDic);

} // namespace settings
