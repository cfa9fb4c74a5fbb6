#include "plan/PlanWorkers.h"

#include "plan/MapPlan.h"
#include "platform/pictures/JpegImage.h"

#include <algorithm>
#include <system_error>

namespace tolvex {

PlanWorkers::PlanWorkers(int threads) : m_window(2 * std::size_t(std::max(1, threads)))
{
    m_threads.reserve(m_window / 2);
    for (std::size_t i = 0; i < m_window / 2; ++i) {
        try {
            m_threads.emplace_back([this] { run(); });
        } catch (const std::system_error&) {
            // Fewer threads do the same work, only slower.
            if (m_threads.empty())
                throw;
            break;
        }
    }
}

PlanWorkers::~PlanWorkers()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void PlanWorkers::add(std::optional<MapGeometry> geometry)
{
    auto job = std::make_unique<Job>();
    Job* const given = job.get();
    m_given.push_back(std::move(job));
    // A map that could not be read has no plan to wait for.
    if (!geometry) {
        given->done = true;
        return;
    }
    given->geometry = std::move(geometry);
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.push_back(given);
    }
    m_changed.notify_all();
}

PlanWorkers::Plan PlanWorkers::take()
{
    const std::unique_ptr<Job> job = std::move(m_given.front());
    m_given.pop_front();
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&job] { return job->done; });
    }
    if (job->error)
        std::rethrow_exception(job->error);
    return std::move(job->plan);
}

void PlanWorkers::run()
{
    PlanCanvas canvas;
    for (;;) {
        Job* job = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
            if (m_stop)
                return;
            job = m_waiting.front();
            m_waiting.pop_front();
        }
        try {
            const QImage picture = drawPlan(*job->geometry, canvas);
            // The geometry may be the larger part; it is not needed for the encoding.
            job->geometry.reset();
            if (!picture.isNull())
                job->plan = {true, encodeJpeg(picture, kPlanQuality)};
        } catch (...) {
            job->error = std::current_exception();
        }
        {
            const std::lock_guard lock(m_mutex);
            job->done = true;
        }
        m_changed.notify_all();
    }
}

} // namespace tolvex
