// Starts a program of this page's folder, built with Emscripten, and tells the visitor why
// where it cannot start. The page sets up Module first; startProgram('prismwarp.js') then
//
// - checks that the browser has the WebAssembly the program is built with;
// - fetches lsd.bmp beside the page, which the program finds in its working folder, as on
//   the desktop, and prismwarp.wasm, which it compiles meanwhile;
// - then loads prismwarp.js, which starts the program on the compiled module.
//
// A picture the server has not got is the program's to tell: it starts all the same and its
// error box says so, with what the server answered (Module.picture). Everything else that
// keeps the program from starting is told by the page, through Module.cannotStart(lines),
// in place of the program: the page opened from disk, a browser without the WebAssembly
// needed, the program's own files missing or broken, the picture's fetch failing outright.
// Each line is a string, or {command} for a command to type.
//
// The keys: Emscripten's SDL would take every key of the page, keeping the browser's own
// (scrolling, Tab, reloading, searching) from working. It is given only the program's keys,
// Up and Down; Module.pressKey(keyCode) presses one of them for the page's buttons.

// The WebAssembly the program is built with, beyond the first version: each as the smallest
// module that uses it, which the browser validates where it has it.
const WASM_FEATURES = [
  // A function returning a v128 constant.
  ['128-bit SIMD', [0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0,
                    10, 22, 1, 20, 0, 253, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                    11]],
  // memory.fill on a memory of one page.
  ['bulk memory operations', [0, 97, 115, 109, 1, 0, 0, 0, 1, 4, 1, 96, 0, 0, 3, 2, 1, 0,
                              5, 3, 1, 0, 1, 10, 13, 1, 11, 0, 65, 0, 65, 0, 65, 0, 252, 11,
                              0, 11]],
  // i32.trunc_sat_f32_s of 0.
  ['non-trapping float-to-int conversions', [0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1,
                                             127, 3, 2, 1, 0, 10, 11, 1, 9, 0, 67, 0, 0, 0,
                                             0, 252, 0, 11]]
];

// The keyCodes of the program's keys: Up and Down.
const PROGRAM_KEYS = [38, 40];

// What keeps this browser from running the program, in words; empty where nothing does.
function unfitBrowser() {
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.validate !== 'function')
    return 'it has no WebAssembly';
  const missing = WASM_FEATURES.filter(function (feature) {
    try {
      return !WebAssembly.validate(new Uint8Array(feature[1]));
    } catch (error) {
      return true;
    }
  }).map(function (feature) { return feature[0]; });
  return missing.length ? 'its WebAssembly has no ' + listed(missing) : '';
}

// A reason the program cannot start: `lines` for the visitor.
function CannotStart(lines) {
  this.lines = lines;
}

// "a, b and c"
function listed(words) {
  return words.length < 2 ? words.join('')
                          : words.slice(0, -1).join(', ') + ' and ' + words[words.length - 1];
}

// How the server answered: "404 File not found".
function answerOf(response) {
  return (response.status + ' ' + response.statusText).trim();
}

// Why the file `name` of `folder` could not be fetched, a fetch having failed outright: the
// page opened from disk, which may fetch nothing beside it, or the connection.
function unfetched(name, folder, error) {
  if (location.protocol === 'file:') {
    let path = decodeURIComponent(new URL(folder).pathname);
    // file:///C:/folder/ is C:/folder/ on Windows.
    if (/^\/[A-Za-z]:\//.test(path)) path = path.slice(1);
    return new CannotStart([
      'This page was opened from the disk (a file:// address): browsers do not let such a ' +
        'page load the program and its picture.',
      'Serve the page\u2019s folder instead. Run this command in the folder ' + path + ':',
      { command: 'python3 -m http.server' },
      'then open http://localhost:8000/ in the browser.'
    ]);
  }
  return new CannotStart([name + ' could not be fetched from ' + folder + ': the connection ' +
                          'failed (' + (error && error.message || error) + ').']);
}

function startProgram(script) {
  const folder = new URL('.', document.baseURI).href;
  const wasm = script.replace(/\.js$/, '') + '.wasm';
  const cannotStart = function (reason) {
    if (!(reason instanceof CannotStart)) throw reason;
    for (const line of reason.lines) console.error(line.command || line);
    if (Module.cannotStart) Module.cannotStart(reason.lines);
  };

  Module.keyboardListeningElement = keyGate();
  const unfit = unfitBrowser();
  if (unfit) {
    cannotStart(new CannotStart([
      'This browser cannot run Prismwarp: ' + unfit + '.',
      'Prismwarp runs in Chrome and Edge 91, Firefox 89, Safari 16.4 and their newer versions.'
    ]));
    return;
  }

  const picture = fetch('lsd.bmp', { cache: 'no-cache' })
    .then(function (response) {
      Module.picture = { folder: folder, answer: answerOf(response) };
      return response.ok ? response.arrayBuffer() : null;
    })
    .catch(function (error) { throw unfetched('The picture lsd.bmp', folder, error); });

  const compiled = fetch(wasm, { credentials: 'same-origin' })
    .catch(function (error) { throw unfetched('The program\u2019s file ' + wasm, folder, error); })
    .then(function (response) {
      if (!response.ok) {
        throw new CannotStart(['The program\u2019s file ' + wasm + ' could not be loaded from ' +
                               folder + ': the server answered ' + answerOf(response) + '.']);
      }
      return response.arrayBuffer().catch(function (error) {
        throw unfetched('The program\u2019s file ' + wasm, folder, error);
      });
    })
    .then(function (bytes) {
      return WebAssembly.compile(bytes).catch(function (error) {
        throw new CannotStart(['The program\u2019s file ' + wasm + ' from ' + folder +
                               ' is not a program this browser can run: ' + error.message +
                               '.']);
      });
    });

  // The program's file first: without it, nothing the picture's fetch says matters.
  Promise.all([compiled, picture.catch(function (reason) { return reason; })])
    .then(function (both) {
      const module = both[0], bytes = both[1];
      if (bytes instanceof CannotStart) throw bytes;
      Module.preRun = function () {
        if (bytes) Module.FS_createDataFile('/', 'lsd.bmp', new Uint8Array(bytes), true, false);
      };
      // The program starts on the module compiled here, rather than fetching its own.
      Module.instantiateWasm = function (imports, receive) {
        WebAssembly.instantiate(module, imports).then(
          function (instance) { receive(instance, module); },
          function (error) {
            cannotStart(new CannotStart(['The program\u2019s files ' + script + ' and ' + wasm +
                                         ' in ' + folder + ' do not belong together: ' +
                                         error.message + '.']));
          });
        return {};
      };
      const program = document.createElement('script');
      program.src = script;
      program.onerror = function () {
        // A script's failure tells nothing: the server is asked again, for its answer.
        fetch(script, { method: 'HEAD', cache: 'no-cache' })
          .then(function (response) {
            return response.ok ? 'it could not be run' : 'the server answered ' + answerOf(response);
          }, function () { return 'the connection failed'; })
          .then(function (why) {
            cannotStart(new CannotStart(['The program\u2019s file ' + script + ' could not be ' +
                                         'loaded from ' + folder + ': ' + why + '.']));
          });
      };
      document.body.appendChild(program);
    })
    .catch(cannotStart);
}

// What Emscripten's SDL listens to for keys, in place of the whole document: it hears only
// the program's keys, which it keeps from the browser (an arrow would scroll the page).
// Every other key is left to the browser and to the page.
function keyGate() {
  const listeners = { keydown: [], keyup: [], keypress: [] };
  const hand = function (event) {
    for (const listener of listeners[event.type]) listener(event);
  };
  for (const type in listeners) {
    document.addEventListener(type, function (event) {
      if (PROGRAM_KEYS.indexOf(event.keyCode) >= 0) hand(event);
    });
  }
  // A press of the key, down and up, as the keyboard would give it. SDL marks each event as
  // handled, so each is an object of its own.
  Module.pressKey = function (keyCode) {
    for (const type of ['keydown', 'keyup'])
      hand({ type: type, keyCode: keyCode, preventDefault: function () {} });
  };
  return {
    addEventListener: function (type, listener) {
      if (listeners[type]) listeners[type].push(listener);
    },
    removeEventListener: function (type, listener) {
      const list = listeners[type] || [];
      if (list.indexOf(listener) >= 0) list.splice(list.indexOf(listener), 1);
    }
  };
}
