#include "targets/HostStore.h"

#include "net/Ipv4Text.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "targets/HostOrCidr.h"
#include "targets/TargetSpecJson.h"
#include "targets/UnreadableList.h"

#include <QPointer>
#include <algorithm>

namespace vantorel {

namespace {

TargetSpec specFromLegacyEntry(const HostOrCidr& entry) {
    if (entry.prefix >= 32)
        return {TargetKind::hostPing, entry.host, QString(), 24};
    if (const auto range = cidrRange(entry.host, entry.prefix))
        return {TargetKind::pingSweep, formatIPv4Qt(range->first), formatIPv4Qt(range->last),
                entry.prefix};
    return {TargetKind::pingSweep, entry.host, entry.host, entry.prefix};
}

} // namespace

const QStringList& HostStore::defaultEntries() {
    static const QStringList entries = {QStringLiteral("1.1.1.1"), QStringLiteral("9.9.9.9")};
    return entries;
}

HostStore::HostStore(MonitorTiming timing)
    : timing_(timing) {
    // Nothing runs at launch but what the user asked to start with the application.
    for (const auto& spec : storedSpecs(unreadableListCopy_))
        targets_.push_back(Target::create(spec, spec.startWithVantorel, timing_));
    for (const auto& target : targets_)
        subscribe(*target);
}

HostStore::HostStore(const std::vector<TargetSpec>& specs, MonitorTiming timing)
    : timing_(timing)
    , saved_(false) {
    for (const auto& spec : specs)
        if (!equalTarget(spec))
            targets_.push_back(Target::create(spec, true, timing_));
    for (const auto& target : targets_)
        subscribe(*target);
}

std::vector<TargetSpec> HostStore::storedSpecs(std::optional<QString>& unreadableCopy) {
    auto& preferences = Preferences::instance();
    // An undecodable list is passed over, and kept under a key of its own before the next save
    // replaces it.
    if (preferences.contains(kKey)) {
        const QByteArray stored = preferences.dataValue(kKey);
        if (auto specs = decodeTargetSpecs(stored))
            return std::move(*specs);
        unreadableCopy = keepUnreadableList(preferences, stored, QDateTime::currentDateTimeUtc());
    }
    QStringList entries = preferences.stringListValue(keys::targets);
    if (!preferences.contains(keys::targets))
        entries = defaultEntries();
    std::vector<TargetSpec> specs;
    for (const QString& entry : entries) {
        const auto parsed = parseHostOrCidr(entry);
        if (const auto* hostOrCidr = std::get_if<HostOrCidr>(&parsed))
            specs.push_back(specFromLegacyEntry(*hostOrCidr));
    }
    return specs;
}

std::shared_ptr<Target> HostStore::target(const QUuid& id) const {
    const auto found = std::find_if(targets_.begin(), targets_.end(),
                                    [&](const auto& target) { return target->id() == id; });
    return found == targets_.end() ? nullptr : *found;
}

std::shared_ptr<Target> HostStore::equalTarget(const TargetSpec& spec) const {
    // Display names, not whole specs: two sweeps of one network are the same target even when
    // their ranges end differently.
    for (const auto& target : targets_)
        if (target->spec().isSameTarget(spec))
            return target;
    return nullptr;
}

QUuid HostStore::add(const TargetSpec& spec) {
    if (const auto existing = equalTarget(spec))
        return existing->id();
    auto target = Target::create(spec, true, timing_);
    subscribe(*target);
    targets_.push_back(target);
    save();
    Q_EMIT listChanged();
    Q_EMIT changed();
    return target->id();
}

void HostStore::remove(const QUuid& id) {
    const auto found = std::find_if(targets_.begin(), targets_.end(),
                                    [&](const auto& target) { return target->id() == id; });
    if (found == targets_.end())
        return;
    const auto target = *found;
    target->stop();
    disconnect(target.get(), nullptr, this, nullptr);
    std::erase_if(targets_, [&](const auto& other) { return other->id() == id; });
    save();
    Q_EMIT listChanged();
    Q_EMIT changed();
}

QUuid HostStore::restore(std::shared_ptr<Target> target, std::size_t index, bool enabled) {
    if (const auto existing = equalTarget(target->spec()))
        return existing->id();
    subscribe(*target);
    targets_.insert(targets_.begin() + std::ptrdiff_t(std::min(index, targets_.size())), target);
    if (enabled)
        target->setEnabled(true);
    save();
    Q_EMIT listChanged();
    Q_EMIT changed();
    return target->id();
}

void HostStore::save() const {
    if (!saved_)
        return;
    std::vector<TargetSpec> specs;
    specs.reserve(targets_.size());
    for (const auto& target : targets_)
        specs.push_back(target->spec());
    if (const auto encoded = encodeTargetSpecs(specs))
        Preferences::instance().setValue(kKey, *encoded);
}

void HostStore::setStartWithVantorel(const QUuid& id, bool on) {
    if (const auto found = target(id); found && found->spec().startWithVantorel != on) {
        found->setStartWithVantorel(on);
        save();
    }
}

void HostStore::subscribe(const Target& target) {
    connect(&target, &Target::changed, this, &HostStore::targetChanged);
}

// The windows of many targets close in the same turn, and every view of the whole list would
// otherwise go through all of it once for each of them.
void HostStore::targetChanged() {
    if (std::exchange(changeHeld_, true))
        return;
    ChangeCoalescer::afterDeliveries([store = QPointer(this)] {
        if (!store)
            return;
        store->changeHeld_ = false;
        Q_EMIT store->changed();
    });
}

} // namespace vantorel
