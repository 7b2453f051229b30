#pragma once

#include "monitor/MonitorTiming.h"
#include "targets/Target.h"

#include <QObject>
#include <QUuid>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace vantorel {

// The user's ordered list of targets: the application's root model. Reads the stored
// target specs at construction (every target starts disabled unless marked to start with the
// application), writes them back after every change of the list, and announces `changed` for any
// change of the list or of any target: once for all the targets whose changes are delivered in the
// same turn.
class HostStore : public QObject {
    Q_OBJECT

public:
    // Where the list is kept in the preferences store.
    static constexpr QLatin1StringView kKey{"targetsV2"};

    explicit HostStore(MonitorTiming timing = MonitorTiming::production());
    // A list of the caller's own instead of the stored one, e.g. a headless run's: each spec once
    // (a later equal one is passed over), every target switched on at once, and nothing ever
    // saved, so that the user's stored list stays as it is.
    HostStore(const std::vector<TargetSpec>& specs, MonitorTiming timing);

    const std::vector<std::shared_ptr<Target>>& targets() const { return targets_; }
    std::shared_ptr<Target> target(const QUuid& id) const;

    // The id of the target that now stands for `spec`: an existing one of the same kind and
    // display name (left as it is), or a new one, enabled and started, appended and saved.
    QUuid add(const TargetSpec& spec);
    // Stops the target and drops it from the list, then saves.
    void remove(const QUuid& id);
    // Puts back a target that `remove` took out, as it was: at `index` (or at the end when the
    // list has grown shorter), with its id, spec and what its monitors hold, switched on again
    // when `enabled`; then saves. When an equal target was added meanwhile, that one stands for
    // it and the list is left alone. Returns the id of the target that now stands for it.
    QUuid restore(std::shared_ptr<Target> target, std::size_t index, bool enabled);
    // Writes the list to the preferences, unless it is a list of the caller's own.
    void save() const;
    // Marks the target to be switched on at launch, or not, and saves.
    void setStartWithVantorel(const QUuid& id, bool on);

    // The preferences key under which a stored list that could not be read was kept at this
    // launch, the first time it is asked for, so that the user is told once; none otherwise.
    std::optional<QString> takeUnreadableListCopy() {
        return std::exchange(unreadableListCopy_, {});
    }
    // The stored list: the current form, else the older one migrated, else the built-in list.
    // A stored list that cannot be read is kept under a key of its own, given in `unreadableCopy`.
    static std::vector<TargetSpec> storedSpecs(std::optional<QString>& unreadableCopy);
    // Two well-known public resolvers, as entries of the older form. Never switched on by
    // anything but the user.
    static const QStringList& defaultEntries();

Q_SIGNALS:
    void changed();
    // Only when targets were added, removed or put back, just before `changed`: for those that
    // follow the list itself, which `changed` announces many times a second.
    void listChanged();

private:
    void subscribe(const Target& target);
    void targetChanged();
    // The target of the same kind and display name as `spec`, if any.
    std::shared_ptr<Target> equalTarget(const TargetSpec& spec) const;

    const MonitorTiming timing_;
    const bool saved_ = true;
    std::vector<std::shared_ptr<Target>> targets_;
    bool changeHeld_ = false;
    std::optional<QString> unreadableListCopy_;
};

} // namespace vantorel
