#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zorvanil::db {

// The name=value parameters of a connection, in order; names are looked up without regard to
// letter case.
class ParamList {
  public:
    ParamList() = default;
    ParamList(std::initializer_list<std::pair<std::string, std::string>> values);

    // The value of the parameter, empty when there is none.
    std::string value(std::string_view name) const;
    bool contains(std::string_view name) const;
    // Sets an existing parameter (keeping its spelling and place) or appends a new one.
    void setValue(std::string_view name, std::string_view value);
    const std::vector<std::pair<std::string, std::string>>& entries() const { return entries_; }

  private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace zorvanil::db
