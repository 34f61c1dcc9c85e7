// TLS for the mailbox connection with Schannel (SSPI, SECUR32); the
// server's certificate is checked with CryptoAPI (CRYPT32).
#define SECURITY_WIN32
#define SCHANNEL_USE_BLACKLISTS           // SCH_CREDENTIALS
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS  // dwUrlRetrievalTimeout
#include <windows.h>

#include <wincrypt.h>
#include <security.h>
// schannel.h needs UNICODE_STRING from subauth.h first.
#include <subauth.h>
#include <schannel.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/tls.h"

namespace {

// What comes in before it is decrypted: a handshake flight, or a record
// (at most 16 KiB of text and 2 KiB of its protection) with what follows
// it. A certificate chain larger than this fails the handshake.
const size_t incoming_size = 65536;
// One record going out: its 5-byte header, at most 16 KiB of text and
// 2 KiB of its protection.
const size_t outgoing_size = 5 + 16384 + 2048;
const size_t host_size = 256;

// Turned off in the credentials, and refused after the handshake too:
// Wine's Schannel lets a server choose TLS 1.1 whatever SCH_CREDENTIALS says.
const DWORD older_protocols = SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT;

const ULONG request = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                      ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_USE_SUPPLIED_CREDS;

}  // namespace

struct os_tls_state {
    os_socket socket;
    wchar_t host[host_size];
    CredHandle credentials;
    CtxtHandle context;
    bool has_credentials;
    bool has_context;
    bool ended;  // the server sent close_notify
    bool tls13;  // negotiated TLS 1.3 or later
    SecPkgContext_StreamSizes sizes;
    // Received, not yet decrypted; or, while `text` is being given out, the
    // record it was decrypted in (its first `used` bytes) and what followed.
    char incoming[incoming_size];
    size_t incoming_length;
    const char* text;
    size_t text_length;
    size_t used;
    char outgoing[outgoing_size];
};

namespace {

// The milliseconds of one call, counted from its start.
struct deadline {
    DWORD start;
    uint32_t milliseconds;

    uint32_t left() const
    {
        DWORD passed = GetTickCount() - start;  // right across the counter's wrap
        return passed < milliseconds ? milliseconds - passed : 0;
    }
};

deadline from_now(uint32_t milliseconds)
{
    return {GetTickCount(), milliseconds};
}

os_status send_all(os_socket socket, const char* data, size_t length, const deadline& limit)
{
    while (length > 0) {
        size_t sent = 0;
        os_status status = os_sockets->send(socket, data, length, &sent);
        if (status == os_would_block)
            status = os_sockets->wait(socket, os_writable, limit.left());
        else if (status == os_ok) {
            data += sent;
            length -= sent;
        }
        if (status != os_ok)
            return status;
    }
    return os_ok;
}

// Adds what arrives next to the bytes received: os_closed when the server
// has ended the connection.
os_status receive_more(os_tls_state* channel, const deadline& limit)
{
    if (channel->incoming_length == incoming_size)
        return os_failed;
    for (;;) {
        os_status status = os_sockets->wait(channel->socket, os_readable, limit.left());
        if (status != os_ok)
            return status;
        size_t got = 0;
        status = os_sockets->receive(channel->socket, channel->incoming + channel->incoming_length,
                                     incoming_size - channel->incoming_length, &got);
        if (status == os_ok)
            channel->incoming_length += got;
        if (status != os_would_block)
            return status;
    }
}

// Keeps only the last `extra` bytes received, which the last call did not use.
void keep_extra(os_tls_state* channel, size_t extra)
{
    memmove(channel->incoming, channel->incoming + channel->incoming_length - extra, extra);
    channel->incoming_length = extra;
}

// Sends and frees a token Schannel made.
os_status send_token(os_tls_state* channel, SecBuffer* token, const deadline& limit)
{
    os_status status = os_ok;
    if (token->pvBuffer) {
        status = send_all(channel->socket, static_cast<const char*>(token->pvBuffer), token->cbBuffer, limit);
        FreeContextBuffer(token->pvBuffer);
    }
    return status;
}

// One InitializeSecurityContext step with what has been received, and its
// answer sent; *status is Schannel's.
os_status handshake_step(os_tls_state* channel, SECURITY_STATUS* status, const deadline& limit)
{
    SecBuffer in[2] = {{static_cast<ULONG>(channel->incoming_length), SECBUFFER_TOKEN, channel->incoming},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc in_description = {SECBUFFER_VERSION, 2, in};
    SecBufferDesc out_description = {SECBUFFER_VERSION, 1, out};
    ULONG granted = 0;
    *status = InitializeSecurityContextW(&channel->credentials, &channel->context, channel->host, request, 0, 0,
                                         &in_description, 0, nullptr, &out_description, &granted, nullptr);
    if (*status == SEC_E_INCOMPLETE_MESSAGE) {
        if (out[0].pvBuffer)
            FreeContextBuffer(out[0].pvBuffer);
        return os_ok;
    }
    // The server's last bytes may carry the first record after them.
    keep_extra(channel, in[1].BufferType == SECBUFFER_EXTRA ? in[1].cbBuffer : 0);
    return send_token(channel, &out[0], limit);
}

// The handshake from its second step on, from the server's answer on, or
// what the server began after it, from the bytes received on: os_ok when
// it is done, with what came after it kept for the first receive.
os_status handshake(os_tls_state* channel, bool receive_first, const deadline& limit)
{
    for (;;) {
        if (receive_first) {
            os_status status = receive_more(channel, limit);
            if (status != os_ok)
                return status == os_closed ? os_failed : status;
        }
        SECURITY_STATUS step;
        os_status sent = handshake_step(channel, &step, limit);
        if (FAILED(step) && step != SEC_E_INCOMPLETE_MESSAGE)
            return os_failed;
        if (sent != os_ok)
            return sent;
        if (step == SEC_E_OK)
            return os_ok;
        // SEC_I_INCOMPLETE_CREDENTIALS (a client certificate asked for)
        // and the other requests have no answer here.
        if (step != SEC_E_INCOMPLETE_MESSAGE && step != SEC_I_CONTINUE_NEEDED)
            return os_failed;
        receive_first = step == SEC_E_INCOMPLETE_MESSAGE || channel->incoming_length == 0;
    }
}

// TLS 1.2 or later: SCH_CREDENTIALS turns the older protocols off and lets
// TLS 1.3 in where the system has it; systems that do not know it get
// SCHANNEL_CRED with TLS 1.2. Certificates are never sent, nor checked by
// Schannel: the program checks the server's itself.
bool acquire_credentials(os_tls_state* channel)
{
    const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    wchar_t package[] = UNISP_NAME_W;
    TLS_PARAMETERS parameters = {};
    parameters.grbitDisabledProtocols = older_protocols;
    SCH_CREDENTIALS current = {};
    current.dwVersion = SCH_CREDENTIALS_VERSION;
    current.dwFlags = flags;
    current.cTlsParameters = 1;
    current.pTlsParameters = &parameters;
    SCHANNEL_CRED older = {};
    older.dwVersion = SCHANNEL_CRED_VERSION;
    older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    older.dwFlags = flags;
    for (void* credentials : {static_cast<void*>(&current), static_cast<void*>(&older)}) {
        TimeStamp expiry;
        if (AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, credentials, nullptr, nullptr,
                                      &channel->credentials, &expiry) == SEC_E_OK) {
            channel->has_credentials = true;
            return true;
        }
    }
    return false;
}

// The server's certificate chains to a trusted root, is valid today and
// names the host. The chain's own status counts as well as the SSL
// policy's: Wine's policy passes a certificate from an unknown root when
// the server sends it alone.
bool certificate_proves_host(os_tls_state* channel, const deadline& limit)
{
    PCCERT_CONTEXT certificate = nullptr;
    if (QueryContextAttributesW(&channel->context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
        !certificate)
        return false;
    char server_authentication[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {server_authentication};
    CERT_CHAIN_PARA wanted = {};
    wanted.cbSize = sizeof wanted;
    wanted.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    wanted.RequestedUsage.Usage.cUsageIdentifier = 1;
    wanted.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    // Fetching an intermediate certificate or a root the system has not
    // stored yet is bounded like every other wait.
    // (0 would mean Windows' own 15 seconds.)
    wanted.dwUrlRetrievalTimeout = limit.left() > 0 ? limit.left() : 1;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    bool trusted = false;
    // The intermediate certificates are among those the server sent.
    if (CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &wanted, 0, nullptr, &chain)) {
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA server = {};
        server.cbSize = sizeof server;
        server.dwAuthType = AUTHTYPE_SERVER;
        server.pwszServerName = channel->host;
        CERT_CHAIN_POLICY_PARA policy = {};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &server;
        CERT_CHAIN_POLICY_STATUS verdict = {};
        verdict.cbSize = sizeof verdict;
        trusted = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &verdict) &&
                  verdict.dwError == 0 && chain->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR;
        CertFreeCertificateChain(chain);
    }
    CertFreeCertificateContext(certificate);
    return trusted;
}

void release(os_tls_state* channel)
{
    if (channel->has_context)
        DeleteSecurityContext(&channel->context);
    if (channel->has_credentials)
        FreeCredentialsHandle(&channel->credentials);
    free(channel);
}

// The first step of the handshake (the ClientHello, naming the host for
// SNI) up to the certificate's check.
os_status start(os_tls_state* channel, const char* host, const deadline& limit)
{
    if (MultiByteToWideChar(CP_ACP, 0, host, -1, channel->host, host_size) == 0 || !acquire_credentials(channel))
        return os_failed;
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc out_description = {SECBUFFER_VERSION, 1, out};
    ULONG granted = 0;
    SECURITY_STATUS status = InitializeSecurityContextW(&channel->credentials, nullptr, channel->host, request, 0, 0,
                                                        nullptr, 0, &channel->context, &out_description, &granted,
                                                        nullptr);
    if (status != SEC_I_CONTINUE_NEEDED) {
        if (out[0].pvBuffer)
            FreeContextBuffer(out[0].pvBuffer);
        return os_failed;
    }
    channel->has_context = true;
    os_status done = send_token(channel, &out[0], limit);
    if (done == os_ok)
        done = handshake(channel, true, limit);
    if (done != os_ok)
        return done;
    SecPkgContext_ConnectionInfo connection = {};
    if (QueryContextAttributesW(&channel->context, SECPKG_ATTR_CONNECTION_INFO, &connection) != SEC_E_OK ||
        connection.dwProtocol == 0 || (connection.dwProtocol & older_protocols) != 0 ||
        QueryContextAttributesW(&channel->context, SECPKG_ATTR_STREAM_SIZES, &channel->sizes) != SEC_E_OK ||
        channel->sizes.cbHeader + channel->sizes.cbMaximumMessage + channel->sizes.cbTrailer > outgoing_size)
        return os_failed;
    channel->tls13 = (connection.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_2_SERVER)) == 0;
    return certificate_proves_host(channel, limit) ? os_ok : os_untrusted;
}

os_status open_channel(os_socket socket, const char* host, uint32_t milliseconds, os_tls_channel* opened)
{
    auto* channel = static_cast<os_tls_state*>(calloc(1, sizeof(os_tls_state)));
    if (!channel)
        return os_failed;
    channel->socket = socket;
    os_status status = start(channel, host, from_now(milliseconds));
    if (status != os_ok) {
        release(channel);
        return status;
    }
    *opened = channel;
    return os_ok;
}

os_status send_data(os_tls_channel channel, const char* data, size_t length, uint32_t milliseconds)
{
    deadline limit = from_now(milliseconds);
    const SecPkgContext_StreamSizes& sizes = channel->sizes;
    while (length > 0) {
        size_t piece = length < sizes.cbMaximumMessage ? length : sizes.cbMaximumMessage;
        char* text = channel->outgoing + sizes.cbHeader;
        memcpy(text, data, piece);
        SecBuffer parts[4] = {{sizes.cbHeader, SECBUFFER_STREAM_HEADER, channel->outgoing},
                              {static_cast<ULONG>(piece), SECBUFFER_DATA, text},
                              {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, text + piece},
                              {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc description = {SECBUFFER_VERSION, 4, parts};
        if (EncryptMessage(&channel->context, 0, &description, 0) != SEC_E_OK)
            return os_failed;
        os_status status = send_all(channel->socket, channel->outgoing,
                                    size_t{parts[0].cbBuffer} + parts[1].cbBuffer + parts[2].cbBuffer, limit);
        if (status != os_ok)
            return status;
        data += piece;
        length -= piece;
    }
    return os_ok;
}

// Decrypts the first record received. os_ok with its text to give out (none
// for a record that carries none), or after a new handshake the server
// asked for, with close_notify noted, or with a record yet incomplete
// (*incomplete); os_failed when it is not a good record.
os_status decrypt(os_tls_state* channel, bool* incomplete, const deadline& limit)
{
    SecBuffer parts[4] = {{static_cast<ULONG>(channel->incoming_length), SECBUFFER_DATA, channel->incoming},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc description = {SECBUFFER_VERSION, 4, parts};
    SECURITY_STATUS status = DecryptMessage(&channel->context, &description, 0, nullptr);
    *incomplete = status == SEC_E_INCOMPLETE_MESSAGE;
    if (*incomplete)
        return os_ok;
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED)
        return os_failed;
    // The text is decrypted in place; the rest of the bytes follow the record.
    size_t extra = 0;
    for (const SecBuffer& part : parts) {
        if (part.BufferType == SECBUFFER_DATA && status == SEC_E_OK) {
            channel->text = static_cast<const char*>(part.pvBuffer);
            channel->text_length = part.cbBuffer;
        }
        if (part.BufferType == SECBUFFER_EXTRA)
            extra = part.cbBuffer;
    }
    channel->used = channel->incoming_length - extra;
    if (channel->text_length > 0)
        return os_ok;
    keep_extra(channel, extra);
    if (status == SEC_I_CONTEXT_EXPIRED) {
        channel->ended = true;
        return os_ok;
    }
    if (status != SEC_I_RENEGOTIATE)
        return os_ok;
    // TLS 1.3: a message of the handshake after it (a session ticket, a key
    // update), which InitializeSecurityContext takes at once from the bytes
    // that followed the record, none or some, going on as in a handshake.
    // Before TLS 1.3: a new handshake, which the session never needs and
    // which could bring another certificate: refused.
    return channel->tls13 ? handshake(channel, false, limit) : os_failed;
}

os_status receive_data(os_tls_channel channel, char* data, size_t room, uint32_t milliseconds, size_t* got)
{
    deadline limit = from_now(milliseconds);
    bool incomplete = channel->incoming_length == 0;
    for (;;) {
        if (channel->text_length > 0) {
            size_t count = room < channel->text_length ? room : channel->text_length;
            memcpy(data, channel->text, count);
            channel->text += count;
            channel->text_length -= count;
            if (channel->text_length == 0)
                keep_extra(channel, channel->incoming_length - channel->used);
            *got = count;
            return os_ok;
        }
        if (channel->ended)
            return os_closed;
        os_status status;
        if (incomplete) {
            status = receive_more(channel, limit);
            // A connection that ends between records has ended; in one, it broke.
            if (status == os_closed && channel->incoming_length > 0)
                status = os_failed;
            incomplete = false;
        } else {
            status = decrypt(channel, &incomplete, limit);
            incomplete = incomplete || (channel->text_length == 0 && channel->incoming_length == 0);
        }
        if (status != os_ok)
            return status;
    }
}

void close_channel(os_tls_channel channel, bool notify)
{
    DWORD shutdown = SCHANNEL_SHUTDOWN;
    SecBuffer control[1] = {{sizeof shutdown, SECBUFFER_TOKEN, &shutdown}};
    SecBufferDesc control_description = {SECBUFFER_VERSION, 1, control};
    if (notify && ApplyControlToken(&channel->context, &control_description) == SEC_E_OK) {
        SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
        SecBufferDesc out_description = {SECBUFFER_VERSION, 1, out};
        ULONG granted = 0;
        SECURITY_STATUS status =
            InitializeSecurityContextW(&channel->credentials, &channel->context, channel->host, request, 0, 0, nullptr,
                                       0, &channel->context, &out_description, &granted, nullptr);
        // One try, without waiting: close_notify fits any socket's buffer,
        // and the server's answer to it is not waited for.
        size_t sent = 0;
        if (!FAILED(status) && out[0].pvBuffer)
            os_sockets->send(channel->socket, static_cast<const char*>(out[0].pvBuffer), out[0].cbBuffer, &sent);
        if (out[0].pvBuffer)
            FreeContextBuffer(out[0].pvBuffer);
    }
    release(channel);
}

}  // namespace

const os_tls_calls os_native_tls = {open_channel, send_data, receive_data, close_channel};
