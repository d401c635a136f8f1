#pragma once

// EET client component: registers one sale with the EET service (interface version 3).
//
// Typical use, one instance per registration:
//   eet::Klient k;
//   k.SetURL(url); k.SetTimeout(ms); k.DIC(dic); k.CertHeslo(pw); k.CertSb(path);
//   k.SetMode(0); k.SetVerification(false); k.IDProvoz("11"); k.IDPokl("POK1");
//   k.SetParam("T_Zakl_DPH1", "100.00"); ...
//   k.Send(true, "2024-0001", "2024-03-01T10:00:00", "2024-03-01T10:00:05", "121.00");
//   if (!k.GetFIK().empty()) ... else k.GetError();
//
// All texts are UTF-8. Local problems (bad field values, unusable certificate, refused URL,
// DIČ check with SetSwitch) throw eet::Chyba and send nothing. Everything that happens on the
// way to and from the service (timeouts, refusals, service errors, forged answers) leaves the
// FIK empty and explains itself in GetError(); PKP and BKP are available either way.

#include "eetclient/certificate.h"
#include "eetclient/error.h"

#include <array>
#include <memory>
#include <string>

namespace eet
{

class Klient
{
  public:
    Klient();
    ~Klient();
    Klient(const Klient&) = delete;
    Klient& operator=(const Klient&) = delete;

    void SetURL(const std::string& url);
    // Bound for the whole exchange in milliseconds; 0 or less means 2000 ms.
    void SetTimeout(int milliseconds);
    void DIC(const std::string& dic);
    void CertHeslo(const std::string& password);
    void CertSb(const std::string& path);
    // rezim: 0 ordinary, 1 simplified.
    void SetMode(int mode);
    // overeni: true asks the service to check the message without registering the sale.
    void SetVerification(bool verification);
    void IDProvoz(const std::string& premises);
    void IDPokl(const std::string& registerId);
    // One amount by its parameter name ("T_Zakl_DPH0" ... "T_Cerp_Zuct"). Returns 0 when the
    // name is known, 1 for an unknown name. The value is checked when the message is built.
    int SetParam(const std::string& name, const std::string& value);
    // Strict mode: the DIČ in the certificate must equal DIC(), otherwise nothing is sent.
    void SetSwitch(bool strict);
    // Extra CA file (PEM) trusted beside the system store for HTTPS. Without it the
    // environment variable VORNIX_EET_CAFILE is consulted.
    void SetCAFile(const std::string& path);
    // Fixed message UUID for the next message (tools and tests); empty means a fresh random one.
    void SetUUID(const std::string& uuid);

    // Builds and signs the message without sending it (GetXML, GetPKP, GetBKP, GetUUID are set).
    void Prepare(bool firstSending, const std::string& receiptNumber, const std::string& saleTime,
                 const std::string& sendTime, const std::string& total);
    // Builds, signs and sends the message; returns true when a FIK came back.
    // sendTime may be empty: the current time is used then. Times without a UTC offset get the
    // real offset of that local instant.
    bool Send(bool firstSending, const std::string& receiptNumber, const std::string& saleTime,
              const std::string& sendTime, const std::string& total);

    std::string GetUUID() const { return m_uuid; }
    std::string GetFIK() const { return m_fik; }
    std::string GetPKP() const { return m_pkp; }
    std::string GetPKPPlain() const { return m_pkpPlain; }
    std::string GetBKP() const { return m_bkp; }
    std::string GetXML() const { return m_xml; }
    std::string GetReceivedAt() const { return m_receivedAt; }
    std::string GetError() const { return m_error; }

    // Names of the thirteen amount parameters and the message attributes they fill, in order.
    static constexpr std::array<std::pair<const char*, const char*>, 13> kParams{{
        {"T_Zakl_DPH0", "zakl_nepodl_dph"},
        {"T_Zakl_DPH1", "zakl_dan1"},
        {"T_DPH1", "dan1"},
        {"T_Zakl_DPH2", "zakl_dan2"},
        {"T_DPH2", "dan2"},
        {"T_Zakl_DPH3", "zakl_dan3"},
        {"T_DPH3", "dan3"},
        {"T_Cest_DPH", "cest_sluz"},
        {"T_Pou_DPH1", "pouzit_zboz1"},
        {"T_Pou_DPH2", "pouzit_zboz2"},
        {"T_Pou_DPH3", "pouzit_zboz3"},
        {"T_Urc_Cerp", "urceno_cerp_zuct"},
        {"T_Cerp_Zuct", "cerp_zuct"},
    }};

  private:
    void clearResults();

    std::string m_url;
    int m_timeout = 2000;
    std::string m_dic;
    std::string m_password;
    std::string m_certPath;
    int m_mode = 0;
    bool m_verification = false;
    std::string m_premises;
    std::string m_register;
    std::array<std::string, 13> m_params;
    bool m_strict = false;
    std::string m_caFile;
    std::string m_fixedUuid;

    std::shared_ptr<const Certificate> m_cert;
    std::string m_uuid, m_fik, m_pkp, m_pkpPlain, m_bkp, m_xml, m_receivedAt, m_error;
};

} // namespace eet
