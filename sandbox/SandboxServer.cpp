#include "SandboxServer.h"

#include "ConnectionDrop.h"
#include "ConnectionGate.h"
#include "FormBody.h"
#include "JsonReply.h"
#include "RequestFraming.h"
#include "WebPages.h"

#include <chrono>
#include <cjson/cJSON.h>
#include <csignal>
#include <functional>
#include <httplib.h>
#include <map>
#include <sys/socket.h>

namespace kh::sandbox {

namespace {

using ApiHandler = std::string (SandboxState::*)(const FormFields&);

struct ApiRoute
{
    ApiHandler handler;
    std::vector<std::string> fields; // the order in which the client writes them
};

const std::map<std::string, ApiRoute>& ApiRoutes()
{
    static const std::map<std::string, ApiRoute> routes = {
        {"/login", {&SandboxState::Login, {"user", "pwd"}}},
        {"/userinfo", {&SandboxState::UserInfo, {"token"}}},
        {"/get_version.aspx", {&SandboxState::Version, {"soft_id"}}},
        {"/get_project_list", {&SandboxState::ProjectList, {"token"}}},
        {"/get_project_fav", {&SandboxState::ProjectFavourites, {"token"}}},
        {"/get_mobile", {&SandboxState::GetMobile, {"token", "pid", "size", "prov", "corp", "style"}}},
        {"/adv_release_mobile", {&SandboxState::ReleaseMobile, {"token", "pid_list", "mobile"}}},
        {"/add_black", {&SandboxState::AddBlack, {"token", "pid", "mobile_list"}}},
        {"/get_sms", {&SandboxState::GetSms, {"token", "pid", "mobile"}}},
    };
    return routes;
}

bool IsPage(const std::string& path)
{
    return path == "/" || path == "/soft/" || path == "/soft" || path == "/user_reg.html" || path == "/oauth.aspx";
}

// Ends the connection after this reply, draining whatever of the request is still unread.
void CloseAfterReply(httplib::Response& response)
{
    if (RequestControl* control = ConnectionGate::Current())
        control->closeAfterReply = true;
    if (!response.has_header("Connection"))
        response.set_header("Connection", "close");
}

// What a malformed-JSON fault sends by default: it claims success, then breaks off inside the list.
constexpr const char* kMalformedBody = "{\"code\":0,\"msg\":\"成功\",\"list\":[{\"mobile\":\"138";

const char* kJsonType = "application/json; charset=utf-8";
const char* kHtmlType = "text/html; charset=utf-8";

// Sends the endpoint's reply short by the fault's bytes: announced whole and then broken off (a lost
// connection), or announced at its cut length (a proxy's truncation).
void CutReply(const FaultRule& fault, httplib::Response& response)
{
    const std::string whole = response.body;
    size_t keep = whole.size() > static_cast<size_t>(fault.dropBytes) ? whole.size() - fault.dropBytes : 0;
    if (!fault.closeMidBody) {
        response.set_content(whole.substr(0, keep), kJsonType);
        return;
    }
    response.body.clear();
    response.headers.erase("Content-Type");
    response.set_header("Connection", "close");
    response.set_content_provider(whole.size(), kJsonType,
                                  [kept = whole.substr(0, keep)](size_t offset, size_t, httplib::DataSink& sink) {
                                      if (offset == 0 && !kept.empty())
                                          sink.write(kept.data(), kept.size());
                                      return false; // httplib then closes the connection
                                  });
}

void ControlReply(httplib::Response& response, bool ok, const std::string& error = {})
{
    response.status = ok ? 200 : 400;
    std::string body = ok ? "{\"ok\":true}" : "{\"ok\":false,\"error\":" + JsonString(error) + "}";
    response.set_content(body, kJsonType);
}

// The string member name of a control body, or empty.
std::string ControlText(const std::string& body, const char* name, bool& isObject)
{
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_ParseWithLength(body.data(), body.size()), cJSON_Delete);
    isObject = root && cJSON_IsObject(root.get());
    const cJSON* item = isObject ? cJSON_GetObjectItemCaseSensitive(root.get(), name) : nullptr;
    return cJSON_IsString(item) ? item->valuestring : "";
}

} // namespace

// httplib's server with a listen backlog that suits bursts of short connections (the packaged
// library listens with a backlog of 5, which makes a hundred simultaneous connects wait for SYN
// retransmissions), and with its accepted sockets handled by a ConnectionGate: httplib would give
// each to a pool thread that then waits for the client, so silent or slow clients could hold every
// thread, and it reads a chunked body of any size.
class SandboxServer::HttpServer final : public httplib::Server
{
public:
    bool WidenBacklog(int backlog) { return ::listen(svr_sock_, backlog) == 0; }

    // The next listen runs requests on requestThreads threads behind a gate that caps bodies at
    // maxBodyBytes and takes its time-outs from the server's settings (set them first).
    void UseGate(size_t requestThreads, size_t maxBodyBytes)
    {
        new_task_queue = [this, requestThreads, maxBodyBytes] {
            using std::chrono::microseconds;
            using std::chrono::seconds;
            ConnectionGate::Limits limits;
            limits.requestThreads = requestThreads;
            limits.maxBodyBytes = maxBodyBytes;
            limits.readTimeout = std::chrono::duration_cast<std::chrono::milliseconds>(
                seconds(read_timeout_sec_) + microseconds(read_timeout_usec_));
            limits.headTimeout = limits.readTimeout;
            limits.writeTimeout = std::chrono::duration_cast<std::chrono::milliseconds>(
                seconds(write_timeout_sec_) + microseconds(write_timeout_usec_));
            limits.keepAliveTimeout = seconds(keep_alive_timeout_sec_);
            limits.requestsPerConnection = keep_alive_max_count_;
            gate = new ConnectionGate(limits,
                                      [this](httplib::Stream& stream, bool closeConnection, bool& connectionClosed) {
                                          return process_request(stream, closeConnection, connectionClosed, nullptr);
                                      });
            return gate;
        };
    }

private:
    // httplib's listening thread calls this (through the gate's task queue) for every accepted
    // socket; the gate takes it over without blocking.
    bool process_and_close_socket(socket_t sock) override
    {
        gate->Admit(sock);
        return true;
    }

    ConnectionGate* gate = nullptr; // owned by httplib as its task queue while listening
};

SandboxServer::SandboxServer(const Scenario& scenario, uint64_t seed, int threads)
    : seed(seed), state(scenario, seed, clock), faults(seed), http(std::make_unique<HttpServer>())
{
    http->set_payload_max_length(kMaxBodyBytes);
    http->set_read_timeout(5, 0);
    http->set_write_timeout(5, 0);
    http->set_keep_alive_timeout(1);
    http->set_tcp_nodelay(true);
    http->UseGate(threads > 0 ? static_cast<size_t>(threads) : 1, kMaxBodyBytes);
    // Before a body is read: a compressed body (the client never sends one) would be inflated past
    // the limit before any handler saw it, so it is refused. httplib reads no body for GET and the
    // like and would take it for the next request on the connection, so such a request's connection
    // ends after the reply (the body is drained, never stored).
    http->set_pre_routing_handler([](const httplib::Request& request, httplib::Response& response) {
        std::string encoding = request.get_header_value("Content-Encoding");
        if (!encoding.empty() && encoding != "identity") {
            response.status = 415; // the error handler ends the connection
            return httplib::Server::HandlerResponse::Handled;
        }
        bool hasBody =
            request.has_header("Transfer-Encoding") || request.get_header_value<uint64_t>("Content-Length") > 0;
        if (hasBody && !RequestBodyIsRead(request.method, request.has_header("Content-Length")))
            CloseAfterReply(response);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    auto handler = [this](const httplib::Request& request, httplib::Response& response) { Handle(request, response); };
    http->Get(".*", handler);
    http->Post(".*", handler);
    // Errors httplib finds itself (a bad request line or header, an oversized body) get a short page
    // and end the connection: the rest of the request may still be on its way, and after a request
    // that could not be parsed the framing of what follows is unknown. A request whose body went past
    // the limit (httplib then only saw a failed read) is answered 413. Replies the sandbox wrote on
    // purpose (fault pages, 404, 405, control errors) are left alone.
    http->set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&,
                                                                    httplib::Response& response) {
        RequestControl* control = ConnectionGate::Current();
        if (control && control->bodyOverLimit)
            response.status = 413;
        if (!response.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        CloseAfterReply(response);
        response.set_content("<html><body><h1>" + std::to_string(response.status) + "</h1></body></html>\n", kHtmlType);
        return httplib::Server::HandlerResponse::Handled;
    }));
    http->set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        response.status = 500;
        response.set_content(ServerErrorPage(), kHtmlType);
    });
}

SandboxServer::~SandboxServer() = default;

int SandboxServer::Bind(const std::string& address, int port, std::string& error)
{
    int bound = port;
    if (port == 0)
        bound = http->bind_to_any_port(address);
    else if (!http->bind_to_port(address, port))
        bound = -1;
    if (bound <= 0) {
        error = "cannot listen on " + address + ":" + std::to_string(port);
        return -1;
    }
    http->WidenBacklog(1024);
    return bound;
}

bool SandboxServer::Run()
{
    // A client that goes away mid-reply must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    return http->listen_after_bind();
}

void SandboxServer::Stop()
{
    faults.Shutdown();
    http->stop();
}

void SandboxServer::Handle(const httplib::Request& request, httplib::Response& response)
{
    // A chunked body is only capped at the limit plus its framing while it is read. The error
    // handler writes the 413 page.
    if (request.body.size() > kMaxBodyBytes) {
        response.status = 413;
        return;
    }
    const std::string& path = request.path;
    if (path.rfind("/_sandbox/", 0) == 0) {
        HandleControl(request, response);
        return;
    }
    auto route = ApiRoutes().find(path);
    bool known = route != ApiRoutes().end() || IsPage(path);
    // Unknown paths share one counter, so probing with random paths cannot grow the state.
    state.CountRequest(known ? path : "(unknown)");
    std::optional<FaultRule> after;
    if (!ApplyFault(request, response, after))
        return;

    if (route != ApiRoutes().end()) {
        if (request.method != "POST") {
            response.status = 405;
            response.set_header("Allow", "POST");
            response.set_content("<html><body><h1>405</h1><p>POST a form body.</p></body></html>\n", kHtmlType);
            return;
        }
        FormFields form = ParseForm(request.body, route->second.fields);
        response.set_content((state.*(route->second.handler))(form), kJsonType);
        if (after)
            CutReply(*after, response);
        return;
    }
    if (path == "/")
        response.set_content(HomePage(), kHtmlType);
    else if (path == "/user_reg.html")
        response.set_content(RegistrationPage(), kHtmlType);
    else if (path == "/soft/" || path == "/soft") {
        Scenario scenario = state.LoadedScenario();
        response.set_content(DownloadPage(scenario.version, scenario.updateContent), kHtmlType);
    } else if (path == "/oauth.aspx") {
        std::string token = request.get_param_value("token");
        std::string owner = token.empty() ? std::string() : state.TokenOwner(token);
        response.set_content(OauthPage(request.get_param_value("jump"), token, owner), kHtmlType);
    } else {
        response.status = 404;
        response.set_content(NotFoundPage(path), kHtmlType);
    }
}

bool SandboxServer::ApplyFault(const httplib::Request& request, httplib::Response& response,
                               std::optional<FaultRule>& after)
{
    std::optional<FaultRule> fault = faults.Take(request.path);
    if (!fault)
        return true;
    switch (fault->kind) {
    case FaultKind::Cut:
        after = fault;
        return true;
    case FaultKind::Latency:
        faults.Delay(fault->latencyMs);
        return true;
    case FaultKind::CloseWithoutReply:
        DropConnection(request.remote_addr, request.remote_port, request.local_port);
        response.set_header("Connection", "close");
        response.set_content("", kJsonType);
        return false;
    case FaultKind::CloseAfterHeaders:
        // The headers promise a body; the provider then gives up, and httplib closes the connection.
        response.set_header("Connection", "close");
        response.set_content_provider(256, kJsonType, [](size_t, size_t, httplib::DataSink&) { return false; });
        return false;
    case FaultKind::Http500:
        response.status = 500;
        response.set_content(ServerErrorPage(), kHtmlType);
        return false;
    case FaultKind::MalformedJson:
        response.set_content(fault->body.empty() ? std::string(kMalformedBody) : fault->body, kJsonType);
        return false;
    case FaultKind::Reply:
        response.set_content(JsonReply(fault->code, fault->msg).Text(), kJsonType);
        return false;
    }
    return true;
}

void SandboxServer::HandleControl(const httplib::Request& request, httplib::Response& response)
{
    const std::string& path = request.path;
    if (path == "/_sandbox/state") {
        response.set_content(state.Dump(), kJsonType);
        return;
    }
    if (request.method != "POST") {
        response.status = 405;
        response.set_header("Allow", "POST");
        response.set_content("{\"ok\":false,\"error\":\"POST a JSON body\"}", kJsonType);
        return;
    }
    std::string error;
    bool isObject = false;
    if (path == "/_sandbox/deliver") {
        std::string mobile = ControlText(request.body, "mobile", isObject);
        std::string text = ControlText(request.body, "text", isObject);
        if (mobile.empty())
            ControlReply(response, false, "give {\"mobile\":...,\"text\":...}");
        else
            ControlReply(response, state.DeliverNow(mobile, text, error), error);
    } else if (path == "/_sandbox/offline") {
        std::string mobile = ControlText(request.body, "mobile", isObject);
        if (mobile.empty())
            ControlReply(response, false, "give {\"mobile\":...}");
        else
            ControlReply(response, state.SetOffline(mobile, error), error);
    } else if (path == "/_sandbox/reset") {
        // {} resets to the scenario and seed in use; {"scenario":{...},"seed":N} (either member
        // optional; "scenario":"built-in" for the demo) replaces them first: a fresh sandbox of
        // another scenario without a restart.
        std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(
            cJSON_ParseWithLength(request.body.data(), request.body.size()), cJSON_Delete);
        const cJSON* given = root ? cJSON_GetObjectItemCaseSensitive(root.get(), "scenario") : nullptr;
        const cJSON* newSeed = root ? cJSON_GetObjectItemCaseSensitive(root.get(), "seed") : nullptr;
        Scenario replacement;
        if (!cJSON_IsObject(root.get())) {
            ControlReply(response, false, "give {} or {\"scenario\":{...},\"seed\":N}");
        } else if (newSeed != nullptr && (!cJSON_IsNumber(newSeed) || newSeed->valuedouble < 0 ||
                                          newSeed->valuedouble > 9007199254740992.0)) {
            ControlReply(response, false, "seed: give a whole number");
        } else if (given != nullptr && !cJSON_IsObject(given) &&
                   !(cJSON_IsString(given) && std::string(given->valuestring) == "built-in")) {
            ControlReply(response, false, "scenario: give an object or \"built-in\"");
        } else {
            bool parsed = true;
            if (cJSON_IsString(given)) {
                replacement = DefaultScenario();
            } else if (given != nullptr) {
                char* text = cJSON_PrintUnformatted(given);
                parsed = text != nullptr && ParseScenario(text, replacement, error);
                cJSON_free(text);
            }
            if (!parsed) {
                ControlReply(response, false, error.empty() ? "scenario: cannot be read" : error);
            } else {
                if (newSeed != nullptr)
                    seed = static_cast<uint64_t>(newSeed->valuedouble);
                faults.Clear();
                faults.Reseed(seed);
                if (given != nullptr || newSeed != nullptr)
                    state.Reset(given != nullptr ? replacement : state.LoadedScenario(), seed);
                else
                    state.Reset();
                ControlReply(response, true);
            }
        }
    } else if (path == "/_sandbox/fault") {
        ControlReply(response, faults.AddRule(request.body, error), error);
    } else if (path == "/_sandbox/faults/clear") {
        faults.Clear();
        ControlReply(response, true);
    } else if (path == "/_sandbox/clock") {
        std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(
            cJSON_ParseWithLength(request.body.data(), request.body.size()), cJSON_Delete);
        const cJSON* advance = root ? cJSON_GetObjectItemCaseSensitive(root.get(), "advance_ms") : nullptr;
        if (!cJSON_IsNumber(advance) || advance->valuedouble < 0 || advance->valuedouble > 1e12) {
            ControlReply(response, false, "give {\"advance_ms\":N}");
        } else {
            clock.Advance(static_cast<int64_t>(advance->valuedouble));
            ControlReply(response, true);
        }
    } else {
        response.status = 404;
        response.set_content("{\"ok\":false,\"error\":\"unknown control endpoint\"}", kJsonType);
    }
}

} // namespace kh::sandbox
