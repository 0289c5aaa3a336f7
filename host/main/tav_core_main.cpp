// tav-core: the development core as a program. It loads the perks plugin,
// plays the other plugins of the client from local state, and serves the
// plugin's API, the peers' resources and the plugin's events over HTTP.
// The plugin runs on this program's main thread (the core thread); HTTP
// worker threads queue their requests to it and wait for the answers.
//
//   tav-core --port 8080 --data data --store /tmp/settings.sqlite3
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dev_core.h"
#include "json_text.h"
#include "main/cli_options.h"
#include "main/event_stream.h"
#include "main/http_server.h"
#include "main/peer_state.h"
#include "main/request_gateway.h"
#include "main/server_log.h"
#include "openapi_document.h"
#include "plugin_library.h"

namespace {

using namespace tav::host;

// How long an HTTP request waits for the core before it gives up with 504.
constexpr auto kCoreAnswerTimeout = std::chrono::seconds(60);

// SIGINT and SIGTERM stop tav-core. They are blocked in every thread (the
// HTTP threads inherit this thread's mask) and taken by the main loop with
// sigtimedwait, so that no handler ever interrupts the core thread. That
// also keeps the program whole under qemu-user, whose i386 emulation
// resumes a thread after a handler with the thread-local storage of the
// thread created last.
sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

// Before any thread starts.
void BlockStopSignals() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  // A reader that goes away mid-answer must not end the program.
  signal(SIGPIPE, SIG_IGN);
}

bool StopRequested() {
  const sigset_t signals = StopSignals();
  const timespec no_wait{};
  return sigtimedwait(&signals, nullptr, &no_wait) > 0;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "tav-core: %s\n", message.c_str());
  return 1;
}

const char* LevelName(int32_t level) {
  switch (level) {
    case 0:
      return "OKAY";
    case 1:
      return "WARN";
    case 2:
      return "ERROR";
    case 3:
      return "ALWAYS";
    default:
      return "?";
  }
}

// Event ids start from the clock, in microseconds, so that they keep growing
// across restarts: a reader reconnecting with an id of an earlier run is
// told that it lagged rather than waiting for that id to come round again.
uint64_t FirstEventId() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

// Runs the exchange on the core thread and waits for the answer.
HttpAnswer RunOnCoreThread(DevCore& core, RequestGateway& gateway, HttpExchange exchange) {
  auto promise = std::make_shared<std::promise<HttpAnswer>>();
  std::future<HttpAnswer> answer = promise->get_future();
  auto shared = std::make_shared<HttpExchange>(std::move(exchange));
  core.Post([promise, shared, &gateway] {
    try {
      promise->set_value(gateway.Handle(*shared));
    } catch (const std::exception& exception) {
      promise->set_value(ErrorAnswer(500, std::string("The core failed: ") + exception.what()));
    } catch (...) {
      promise->set_value(ErrorAnswer(500, "The core failed"));
    }
  });
  if (answer.wait_for(kCoreAnswerTimeout) != std::future_status::ready) {
    return ErrorAnswer(504, "The core did not answer within 60 seconds");
  }
  return answer.get();
}

std::string ServerUrl(const std::string& host, uint16_t port) {
  return "http://" + host + ":" + std::to_string(port);
}

// --openapi: the document of the plugin's API on standard output, from the
// loaded plugin's description alone; nothing is initialized or served.
int PrintOpenApi(const CoreOptions& options) {
  PluginLibrary library;
  std::string error;
  if (!library.Open(options.plugin_path, &error) || !library.Load(18, 0, 0, &error)) {
    return Fail("cannot load the plugin " + options.plugin_path + ": " + error);
  }
  // With --port 0 the port is not known before serving: name the default.
  const std::string document =
      OpenApiDocument(library, ServerUrl(options.host, options.port == 0 ? CoreOptions().port : options.port));
  std::fwrite(document.data(), 1, document.size(), stdout);
  library.Shutdown();
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Run(const CoreOptions& options) {
  BlockStopSignals();
  DevCore core;
  // The development core's records are for tests; a program that runs all
  // day keeps only the bounded histories below (events, faults, pushes,
  // telemetry).
  core.SetRecording(false);
  PeerState peers(core, options);
  std::string error;
  if (!peers.Open(&error)) return Fail(error);

  EventStream events(EventStream::kDefaultHistoryBytes, FirstEventId());
  std::unique_ptr<RequestGateway> gateway;
  HttpServer server(
      events,
      [&core, &gateway](HttpExchange exchange) { return RunOnCoreThread(core, *gateway, std::move(exchange)); },
      AccessRules{options.allowed_hosts, options.allowed_origins});
  if (!server.Bind(options.host, options.port, &error)) return Fail(error);

  // Faults at the boundary, from the API description on: on standard error
  // and in the status.
  core.AddFaultListener([&gateway](const std::string& fault) {
    if (gateway) gateway->NoteFault(fault);
    std::fprintf(stderr, "tav-core: fault: %s\n", fault.c_str());
  });
  if (!core.Load(options.plugin_path)) {
    return Fail("cannot load the plugin " + options.plugin_path + ": " + core.load_error());
  }
  peers.Install();
  gateway = std::make_unique<RequestGateway>(core, &peers);
  gateway->PublishOpenApi(ServerUrl(options.host, server.port()));
  gateway->SetEventStream(&events);

  core.AddSentEventListener([&events](const SentEvent& event) { events.Publish(event.name, JsonText(event.payload)); });
  if (!options.quiet) {
    server.SetServedListener([](const HttpServer::Served& served) {
      std::fputs(RequestLogLine(served.method, served.target, served.status, served.milliseconds).c_str(), stderr);
    });
    core.AddLogListener([hide_debug = options.hide_plugin_debug](const LogLine& line) {
      if (hide_debug && HasDebugCategory(line.text)) return;
      std::fprintf(stderr, "plugin %s: %s\n", LevelName(line.level), line.text.c_str());
    });
    peers.telemetry().SetListener(
        [](const std::string& line) { std::fprintf(stderr, "tav-core: telemetry %s\n", line.c_str()); });
    peers.game_customization().SetPushListener([](const GameCustomizationService::Push& push) {
      std::fprintf(stderr, "tav-core: game customization %s push %llu: %s%s\n",
                   push.accepted ? "accepted" : "refused", static_cast<unsigned long long>(push.number),
                   JsonText(push.content).c_str(), push.accepted ? "" : (" (" + push.failure + ")").c_str());
    });
  }
  // A plugin waiting for an answer yields; with nothing queued, the core
  // waits a moment for work from the HTTP threads instead of spinning.
  core.SetYieldIdleWait(std::chrono::milliseconds(2));

  if (!core.Initialize()) return Fail("the plugin " + options.plugin_path + " refused to initialize");
  core.RunUntilIdle();
  server.Start();

  const PluginHostInfo& info = core.library().info();
  std::printf("tav-core: serving http://%s:%u/ (plugin %s %u.%u.%u, store %s)\n", options.host.c_str(),
              static_cast<unsigned>(server.port()), core.library().short_name().c_str(), info.major, info.minor,
              info.patch, options.store_file.c_str());
  std::fflush(stdout);

  while (!StopRequested()) {
    core.queue().WaitForWork(std::chrono::milliseconds(100));
    core.Pump();
  }

  std::fprintf(stderr, "tav-core: stopping\n");
  // Requests still in flight wait for this thread: keep answering them
  // while the server winds down.
  std::atomic<bool> server_stopped{false};
  std::thread stopper([&server, &server_stopped] {
    server.Stop();
    server_stopped.store(true);
  });
  while (!server_stopped.load()) {
    core.queue().WaitForWork(std::chrono::milliseconds(20));
    core.Pump();
  }
  stopper.join();
  core.RunUntilIdle();
  core.Shutdown();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const CoreDefaults defaults = CoreDefaults::FromEnvironment(argv[0]);
  const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), defaults);
  switch (line.outcome) {
    case CommandLine::kHelp:
      std::fputs(HelpText(defaults).c_str(), stdout);
      return 0;
    case CommandLine::kError:
      std::fprintf(stderr, "tav-core: %s\nTry 'tav-core --help'.\n", line.error.c_str());
      return 2;
    case CommandLine::kRun:
      break;
  }
  return line.options.print_openapi ? PrintOpenApi(line.options) : Run(line.options);
}
