// The yardstick for the launcher's start-up: the least an SDL2 program does
// to put one frame on the screen in a window of the launcher's size, with
// the same settings as the framework's window system. Fills the window with
// 0x3366CC, presents once, then waits for SIGTERM.
//
// Usage: minimal_sdl_window [WIDTH HEIGHT]   (default 858 x 518)
#include <SDL.h>

#include <cstdlib>

int main(int argc, char** argv) {
  int width = 858;
  int height = 518;
  if (argc == 3) {
    width = std::atoi(argv[1]);
    height = std::atoi(argv[2]);
  }
  if (width < 1 || height < 1) return 2;
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* window = SDL_CreateWindow("minimal", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                        SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
  if (window == nullptr) return 1;
  SDL_ShowWindow(window);
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0x33, 0x66, 0xCC));
  SDL_UpdateWindowSurface(window);
  SDL_Event event;
  while (SDL_WaitEvent(&event) != 0 && event.type != SDL_QUIT) {
  }
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
