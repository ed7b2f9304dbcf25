// The desktop's X pieces: SDL's own connection and window, X errors trapped, the ring the puts' pixels go through.
#include "desktop/x11.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <vector>

int SdlX11(SDL_SysWMinfo *info)
{
    SDL_VERSION(&info->version);
    return SDL_GetVideoSurface() != NULL && SDL_GetWMInfo(info) > 0 && info->subsystem == SDL_SYSWM_X11 &&
           info->info.x11.display != NULL;
}

static int xErrors;
static int CountError(Display *, XErrorEvent *)
{
    xErrors++;
    return 0;
}

XTrap::XTrap(Display *display) : display_(display)
{
    xErrors = 0;
    previous_ = XSetErrorHandler(CountError);
}

XTrap::~XTrap() { XSetErrorHandler(previous_); }

bool XTrap::Failed()
{
    XSync(display_, False);
    return xErrors != 0;
}

// Errors of the puts sent since the server last answered: told apart from SDL's own by their
// serial, within [putsFrom, putsTo).
static int putErrors;
static unsigned long putsFrom, putsTo;
static XErrorHandler sdlsHandler;
static int CountPutError(Display *display, XErrorEvent *error)
{
    if (error->serial >= putsFrom && error->serial < putsTo) {
        putErrors++;
        return 0;
    }
    return sdlsHandler != NULL ? sdlsHandler(display, error) : 0;
}

void CountPutErrors(Display *display)
{
    if (sdlsHandler == NULL) {
        XErrorHandler current = XSetErrorHandler(CountPutError);
        sdlsHandler = current != CountPutError ? current : NULL;
    }
    putsFrom = putsTo = NextRequest(display);
}

// How much of the shared segment the puts go round in before waiting for the server.
static const size_t kRingBytes = 512 * 1024;

static struct {
    XShmSegmentInfo shm;
    bool tried, attached;
    size_t bytes, at; // the segment's size, and where the next put's pixels go
    std::vector<Uint8> plain;
} ring;

int WaitPutsRead(Display *display)
{
    XSync(display, False);
    int fine = putErrors == 0;
    putErrors = 0;
    putsFrom = putsTo = NextRequest(display);
    ring.at = 0;
    return fine;
}

void PutsSent(Display *display, unsigned long from)
{
    if (putsFrom == putsTo)
        putsFrom = from;
    putsTo = NextRequest(display);
    XFlush(display);
}

void DropPutRoom(Display *display)
{
    if (ring.attached) {
        XShmDetach(display, &ring.shm);
        WaitPutsRead(display);
        shmdt(ring.shm.shmaddr);
    }
    ring.attached = false;
    ring.bytes = 0;
}

int RoomForPuts(Display *display, size_t bytes, size_t most, PutRoom *room)
{
    if (putErrors != 0)
        return 0;
    if (!ring.tried) {
        ring.tried = true;
        int major, minor, opcode, event, error;
        Bool pixmaps;
        // Asked of a server without the extension, Xlib's own call prints a line of its own.
        if (XQueryExtension(display, "MIT-SHM", &opcode, &event, &error) &&
            XShmQueryVersion(display, &major, &minor, &pixmaps)) {
            size_t size = bytes > most ? bytes : most;
            ring.at = 0;
            ring.shm.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
            ring.shm.shmaddr = ring.shm.shmid < 0 ? (char *)-1 : (char *)shmat(ring.shm.shmid, NULL, 0);
            if (ring.shm.shmaddr != (char *)-1) {
                ring.shm.readOnly = False;
                // A server that cannot see the segment (another machine, another IPC namespace)
                // still offers MIT-SHM, and refuses the attach with BadAccess.
                XTrap trap(display);
                XShmAttach(display, &ring.shm);
                ring.attached = !trap.Failed();
                if (ring.attached)
                    ring.bytes = size;
                else
                    shmdt(ring.shm.shmaddr);
            }
            // Gone once both ends let go of it, however the game ends.
            if (ring.shm.shmid >= 0)
                shmctl(ring.shm.shmid, IPC_RMID, NULL);
        }
    }
    if (ring.attached && bytes <= ring.bytes) {
        // Round to the start only once the server has read what lies there. The ring keeps to
        // the segment's first half MiB where it can (seven cursor cells at x4, a wait every
        // half second), so that the rest of the segment's pages stay untouched, out of memory.
        const size_t round = ring.bytes < kRingBytes ? ring.bytes : kRingBytes;
        if (ring.at + bytes > (bytes > round ? ring.bytes : round) && !WaitPutsRead(display))
            return 0;
        room->at = (Uint8 *)ring.shm.shmaddr + ring.at;
        room->shared = &ring.shm;
        ring.at += (bytes + 63) & ~(size_t)63;
        return 1;
    }
    if (ring.attached) {
        // A larger scale than the segment was made for: a larger one.
        DropPutRoom(display);
        ring.tried = false;
        return RoomForPuts(display, bytes, most, room);
    }
    if (ring.plain.size() < bytes)
        ring.plain.resize(bytes);
    room->at = ring.plain.data();
    room->shared = NULL;
    return 1;
}
