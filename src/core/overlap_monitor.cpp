#include "core/overlap_monitor.hpp"

namespace velmor {

bool OverlapPays(double wallSeconds, double consumerSeconds, double producerSeconds) {
    return wallSeconds < 0.9 * (consumerSeconds + producerSeconds);
}

void OverlapMonitor::stretchBegins(double wall, double consumer) {
    markWall_ = wall;
    markConsumer_ = consumer;
    markProducer_ = 0;
}

bool OverlapMonitor::look(double wall, double consumer, double producer) {
    const double windowWall = carriedWall_ + (wall - markWall_);
    if (windowWall < kWindowSeconds) return false;
    const double windowConsumer = carriedConsumer_ + (consumer - markConsumer_);
    const double windowProducer = carriedProducer_ + (producer - markProducer_);
    carriedWall_ = carriedConsumer_ = carriedProducer_ = 0;
    markWall_ = wall;
    markConsumer_ = consumer;
    markProducer_ = producer;
    poorInARow_ = OverlapPays(windowWall, windowConsumer, windowProducer) ? 0 : poorInARow_ + 1;
    if (poorInARow_ < kPoorWindows) return false;
    poorInARow_ = 0;
    retryAt_ = wall + kRetrySeconds;
    return true;
}

void OverlapMonitor::stretchEnds(double wall, double consumer, double producer) {
    carriedWall_ += wall - markWall_;
    carriedConsumer_ += consumer - markConsumer_;
    carriedProducer_ += producer - markProducer_;
    markWall_ = wall;
    markConsumer_ = consumer;
    markProducer_ = producer;
}

}  // namespace velmor
