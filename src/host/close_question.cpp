#include "host/close_question.hpp"

#include <istream>
#include <ostream>
#include <string>

#include "common/text.hpp"

namespace zorvanil::host {

bool askCloseQuestion(std::istream& in, std::ostream& out) {
    out << "\n" << kCloseQuestionCaption << "\n" << kCloseQuestion << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(in, answer)) {
        out << "\n";
        return false;
    }
    std::string_view word = trim(answer);
    return sameText(word, "y") || sameText(word, "yes");
}

}  // namespace zorvanil::host
