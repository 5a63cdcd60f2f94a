#include "sbareexchange.h"

#include <QByteArray>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

bool SBareExchange::run(int fd, int requestSize, int answerSize, int count)
{
    const QByteArray request(requestSize, '\x5a');
    QByteArray answer(answerSize, Qt::Uninitialized);
    for (int i = 0; i < count; ++i) {
        for (int done = 0; done < requestSize;) {
            const ssize_t n = ::write(fd, request.constData() + done, size_t(requestSize - done));
            if (n > 0) {
                done += int(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            pollfd out{fd, POLLOUT, 0};
            if (poll(&out, 1, 2000) <= 0)
                return false;
        }
        for (int got = 0; got < answerSize;) {
            pollfd in{fd, POLLIN, 0};
            if (poll(&in, 1, 2000) <= 0)
                return false;
            const ssize_t n = ::read(fd, answer.data() + got, size_t(answerSize - got));
            if (n > 0)
                got += int(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
        }
    }
    return true;
}
