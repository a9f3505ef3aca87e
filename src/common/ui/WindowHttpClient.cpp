#include "common/ui/WindowHttpClient.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "news/HttpClient.h"

namespace varnolt {

std::shared_ptr<HttpClient> MakeWindowHttpClient() {
    auto http = std::make_shared<HttpClient>();
    http->SetPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    return http;
}

}  // namespace varnolt
