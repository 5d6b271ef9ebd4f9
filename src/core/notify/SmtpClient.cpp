#include "notify/SmtpClient.h"

#include <curl/curl.h>

#include <cstring>

namespace {

struct Upload {
    const QByteArray& data;
    qsizetype sent = 0;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* user) {
    auto* up = static_cast<Upload*>(user);
    const size_t n = std::min(size * count, size_t(up->data.size() - up->sent));
    std::memcpy(buffer, up->data.constData() + up->sent, n);
    up->sent += qsizetype(n);
    return n;
}

int progress(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return cancel && static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

QString errorText(CURLcode code, const char* detail) {
    QString text = QString::fromUtf8(*detail ? detail : curl_easy_strerror(code));
    if (code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE)
        text += QStringLiteral(" (the mail server's certificate was not accepted; for a server "
                               "with a self-signed certificate set MailVerifyCert=0)");
    return text;
}

// The library is set up once for the whole program, before any thread uses it.
const bool kCurlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;

} // namespace

QString SmtpUrl(const SmtpAccount& a) {
    const bool implicitTls = a.UseSSL && a.Port != 587;
    return QStringLiteral("%1://%2:%3")
        .arg(implicitTls ? QStringLiteral("smtps") : QStringLiteral("smtp"), a.Host.trimmed())
        .arg(a.Port);
}

SmtpClient::SmtpClient(SmtpAccount account, const std::atomic<bool>* cancel)
    : account_(std::move(account)), cancel_(cancel),
      curl_(kCurlReady ? curl_easy_init() : nullptr) {}

SmtpClient::~SmtpClient() {
    if (curl_)
        curl_easy_cleanup(curl_);
}

QString SmtpClient::Send(const QString& from, const QStringList& recipients,
                         const QByteArray& message) {
    if (!curl_)
        return QStringLiteral("The mail library could not be started");
    CURL* c = curl_;
    const QByteArray url = SmtpUrl(account_).toUtf8();
    const QByteArray sender = '<' + from.trimmed().toUtf8() + '>';
    const QByteArray user = account_.User.toUtf8(), pass = account_.Pass.toUtf8();
    curl_slist* rcpt = nullptr;
    for (const QString& r : recipients)
        rcpt = curl_slist_append(rcpt, ('<' + r.toUtf8() + '>').constData());
    Upload upload{message};
    char detail[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 10000L);
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, 10L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, 120000L);
    curl_easy_setopt(c, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, account_.VerifyCert ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, account_.VerifyCert ? 2L : 0L);
    // On the submission port TLS is required, never optional.
    curl_easy_setopt(
        c, CURLOPT_USE_SSL,
        long(account_.UseSSL && account_.Port == 587 ? CURLUSESSL_ALL : CURLUSESSL_NONE));
    if (account_.Auth) {
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, pass.constData());
        curl_easy_setopt(c, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
    }
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, sender.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(c, CURLOPT_READDATA, &upload);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancel_));
    const CURLcode result = curl_easy_perform(c);
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
    curl_slist_free_all(rcpt);
    return result == CURLE_OK ? QString() : errorText(result, detail);
}
