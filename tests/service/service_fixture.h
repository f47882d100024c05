// What the online-flow tests share: an owner that records the commands
// and progress calls the workers make, and the fake service with the
// environment pointing at it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "kvostudio/postform.h"
#include "kvostudio/serviceowner.h"
#include "tests/support/fake_service.h"
#include "tests/support/temp_files.h"

#include <gtest/gtest.h>

namespace servicetest {

struct OwnerLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> events;  // progress calls and commands, in order
    std::vector<std::pair<unsigned, intptr_t>> commands;
    std::vector<int> percents;
    int windowsCreated = 0;
    int windowsDestroyed = 0;
    // What the last window's close button would do (SetCancel).
    std::function<void()> cancel;

    void Add(const std::string& event)
    {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(event);
        changed.notify_all();
    }
};

class FakeProgress : public ServiceProgress {
public:
    explicit FakeProgress(std::shared_ptr<OwnerLog> log) : log_(std::move(log)) {}
    ~FakeProgress() override
    {
        std::lock_guard<std::mutex> lock(log_->mutex);
        ++log_->windowsDestroyed;
    }
    void SetCaption(const std::string& text) override { log_->Add("caption " + text); }
    void SetFileName(const std::string& text) override { log_->Add("file " + text); }
    void SetMessageText(const std::string& text) override { log_->Add("close text " + text); }
    void SetCancel(std::function<void()> cancel) override
    {
        {
            std::lock_guard<std::mutex> lock(log_->mutex);
            log_->cancel = std::move(cancel);
        }
        log_->Add("cancellable");
    }
    void Show() override { log_->Add("show"); }
    void PostTargetPercent(int percent, int tick) override
    {
        {
            std::lock_guard<std::mutex> lock(log_->mutex);
            log_->percents.push_back(percent);
        }
        log_->Add("target " + std::to_string(percent) + "/" + std::to_string(tick));
    }
    void PostHide() override { log_->Add("hide"); }

private:
    std::shared_ptr<OwnerLog> log_;
};

class FakeOwner : public ServiceOwner {
public:
    bool PostCommand(unsigned code, intptr_t lParam) override
    {
        if (refusePosts)
            return false;
        std::lock_guard<std::mutex> lock(log->mutex);
        log->commands.emplace_back(code, lParam);
        log->events.push_back("command " + std::to_string(code));
        log->changed.notify_all();
        return true;
    }
    std::unique_ptr<ServiceProgress> CreateProgressWindow() override
    {
        std::lock_guard<std::mutex> lock(log->mutex);
        ++log->windowsCreated;
        return withWindow ? std::make_unique<FakeProgress>(log) : nullptr;
    }

    // The next command after the `already` seen so far.
    std::optional<std::pair<unsigned, intptr_t>> WaitForCommand(size_t already = 0, int timeoutMs = 30000)
    {
        std::unique_lock<std::mutex> lock(log->mutex);
        if (!log->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return log->commands.size() > already; }))
            return std::nullopt;
        return log->commands[already];
    }
    std::vector<std::string> Events()
    {
        std::lock_guard<std::mutex> lock(log->mutex);
        return log->events;
    }
    std::vector<int> Percents()
    {
        std::lock_guard<std::mutex> lock(log->mutex);
        return log->percents;
    }

    std::shared_ptr<OwnerLog> log = std::make_shared<OwnerLog>();
    bool withWindow = true;
    bool refusePosts = false;
};

// The fake service, with the service hosts and the data folder of the
// program pointing at it and at a scratch folder.
class ServiceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fake_.Start());
        ::setenv("KVO_SERVICE_URL", fake_.BaseUrl().c_str(), 1);
        ::setenv("KVO_MEMBER_URL", fake_.BaseUrl().c_str(), 1);
        ::setenv("KVO_SIGNIN_WEB_URL", "http://signin.example", 1);
        ::setenv("KVO_SIGNIN_ADDR", ("127.0.0.1:" + std::to_string(fake_.TcpPort())).c_str(), 1);
        ::setenv("KVO_DATA_DIR", (dir_.Path() + "/data/").c_str(), 1);
        std::filesystem::create_directories(dir_.Path() + "/data");
        saved_ = GetPostFormLimits();
        PostFormLimits quick;
        quick.connectTimeoutMs = 1000;
        quick.totalTimeoutMs = 3000;
        SetPostFormLimits(quick);
    }
    void TearDown() override
    {
        fake_.Stop();
        for (const char* name : {"KVO_SERVICE_URL", "KVO_MEMBER_URL", "KVO_SIGNIN_WEB_URL", "KVO_SIGNIN_ADDR",
                                 "KVO_DATA_DIR"})
            ::unsetenv(name);
        SetPostFormLimits(saved_);
    }

    testsupport::FakeService fake_;
    testsupport::TempDir dir_;
    FakeOwner owner_;
    PostFormLimits saved_;
};

}  // namespace servicetest
